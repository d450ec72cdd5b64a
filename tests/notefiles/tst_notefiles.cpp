// A note in a file of its own: "&Save Note To File..." (text, HTML, note file) and the
// single-note import with its replace-or-new question, as the program drives them.
#include "app/Commands.h"
#include "app/NoteWindow.h"
#include "checklists/CheckListProt.h"
#include "core/notefile/NoteFile.h"
#include "core/store/StoreWriter.h"
#include "notefiles/NoteFiles.h"
#include "notes/TextNoteProt.h"
#include "panel/NCP.h"
#include "support/FailingSaveFile.h"
#include "support/ProgramFixture.h"

#include <QDir>
#include <QDropEvent>
#include <QListWidget>
#include <QMimeData>
#include <QtTest>

Q_DECLARE_METATYPE(pellux::StoredNote)

using namespace pellux;
using namespace pellux::test;

namespace {

const QString kReplaceQuestion =
    QStringLiteral("This note is allready in Pellux.\r\rWould you like to replace that note? (No creates a new note.)");

QByteArray fixture(const QString &name)
{
    return TestEnvironment::readFile(QStringLiteral(PELLUX_FIXTURES "/notefile/") + name);
}

NoteStyle style(bool bold = false, bool italic = false)
{
    NoteStyle s;
    s.fontName = QStringLiteral("DejaVu Sans");
    s.fontSize = 10.0f;
    s.bold = bold;
    s.italic = italic;
    s.foreColor = 0x000080;     // red in the low byte: #800000
    s.backColor = 0xC0FFFF;     // #FFFFC0
    return s;
}

StoredNote textNote(const QString &title, const QString &text, const QString &nid)
{
    StoredNote n;
    n.type = QStringLiteral("TextNote");
    n.title = title;
    n.nid = nid;
    n.text = text;
    n.left = 1500;
    n.top = 1500;
    n.width = 3600;
    n.height = 2700;
    n.style = style();
    return n;
}

StoredNote checkList(const QString &title, const QList<CheckRow> &rows, const QString &nid)
{
    StoredNote n = textNote(title, QString(), nid);
    n.type = QStringLiteral("CheckList");
    n.rows = rows;
    return n;
}

/// Starts the program on a store holding \a notes.
void startWith(ProgramFixture &f, const QList<StoredNote> &notes)
{
    f.writeStore(WriteNoteStore(notes, PixelScale{15, 15}));
    f.start();
}

QStringList listEntries(Program &program)
{
    QStringList out;
    const QListWidget *list = ncp(program).NoteList;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

/// A single-note file holding \a notes one after the other.
QByteArray noteFileOf(const QList<StoredNote> &notes)
{
    QByteArray bytes = NoteFileHeader;
    for (const StoredNote &n : notes)
        bytes += WriteNoteFile(n).bytes.mid(qsizetype(sizeof(NoteFileHeader) - 1));
    return bytes;
}

} // namespace

class TestNoteFiles : public QObject
{
    Q_OBJECT

private:
    QString write(ProgramFixture &f, const QString &name, const QByteArray &bytes)
    {
        const QString path = f.env.root() + QLatin1Char('/') + name;
        TestEnvironment::writeFile(path, bytes);
        return path;
    }

private slots:
    // ---- the single-note file, written and read back ---------------------------------

    void writtenAndReadBackReproducesTheNote_data()
    {
        QTest::addColumn<StoredNote>("note");

        StoredNote text = textNote(QStringLiteral("Call Anna"), QStringLiteral("Call Anna\r\nabout the budget\t& <draft>"),
                                   QStringLiteral("TESTPC:01022026:101010:42"));
        text.style.fontSize = 11.25f;
        text.style.bold = true;
        text.style.italic = true;
        text.style.underline = true;
        text.style.strikethru = true;
        text.style.foreColor = 0x102030;
        text.width = 4500;
        text.height = 3000;
        text.ontop = true;
        text.rollup = true;
        text.dynamicTitle = true;
        text.alarm.Enabled = true;
        text.alarm.AlarmType = 1;
        text.alarm.AlarmTime = QTime(7, 45);
        text.alarm.AlarmDate = QDate(2027, 3, 4);
        text.alarm.DaysOfWeek = {false, true, false, true, false, false, false};
        text.alarm.Sound = QStringLiteral("/home/ann/ding.wav");
        QTest::newRow("text note") << text;

        StoredNote list = checkList(QStringLiteral("Errands"),
                                    {{true, QStringLiteral("milk")}, {false, QStringLiteral("eggs")}, {true, QString()}},
                                    QStringLiteral("TESTPC:01022026:101011:43"));
        list.style.underline = true;
        list.width = 3900;
        list.height = 2850;
        list.ontop = true;
        list.alarm.Enabled = true;
        list.alarm.AlarmTime = QTime(18, 5);
        list.alarm.AlarmDate = QDate(2026, 12, 24);
        QTest::newRow("check list") << list;
    }

    void writtenAndReadBackReproducesTheNote()
    {
        QFETCH(StoredNote, note);
        ProgramFixture f;
        startWith(f, {note});
        const StoredNote before = f.program->storedNoteFromWindow(1);
        const QString path = f.env.root() + "/note.NoteFile";
        QVERIFY(NoteFiles::SaveNoteFile(*f.program, path, 1));
        QVERIFY(f.prompts.asked().isEmpty());

        f.program->hub().DelNote(1, true);
        QVERIFY(f.program->hub().LoadNoteFile(path));
        QVERIFY(f.prompts.asked().isEmpty());
        QCOMPARE(f.program->upperBound(), 2);
        StoredNote after = f.program->storedNoteFromWindow(2);
        QCOMPARE(after.type, note.isTextNote() ? QStringLiteral("TextNote30") : QStringLiteral("CheckList30"));
        QCOMPARE(after.nid, note.nid);
        QCOMPARE(after.width, before.width);
        QCOMPARE(after.height, before.height);
        QCOMPARE(after.style, before.style);
        QCOMPARE(after.alarm, before.alarm);
        QVERIFY(after.alarm.Enabled);
        QCOMPARE(f.program->note(2)->mnuAlarmSet->isChecked(), true);
        QCOMPARE(after.text, before.text);
        QCOMPARE(after.rows, before.rows);
        // Everything else, the place on the screen apart (an import is centred).
        after.type = before.type;
        after.top = before.top;
        after.left = before.left;
        QVERIFY(after == before);
        QCOMPARE(listEntries(*f.program), QStringList({"(Deleted)", before.title}));
    }

    void importIsCentredVisibleAndUnprotected()
    {
        ProgramFixture f;
        f.start();
        // Written by the Windows program: hidden, with a password in clear and an alarm.
        const QString path = write(f, "bank.NoteFile", fixture("legacy_password.NoteFile"));
        QVERIFY(f.program->hub().LoadNoteFile(path));
        auto *w = qobject_cast<TextNoteProt *>(f.program->note(1));
        QVERIFY(w);
        QCOMPARE(w->Caption(), QStringLiteral("Bank caf\u00e9 \u20ac"));
        QCOMPARE(w->text(), QStringLiteral("PIN is not here\r\nLine 2"));
        QVERIFY(w->Visible());
        QVERIFY(w->GetNotePass().isEmpty());
        QVERIFY(!f.program->notes().entry(1)->isProtected);
        QCOMPARE(w->NoteGUID(), QStringLiteral("OFFICE:01022004:093000:12"));
        // 3600 x 2700 twips on a 1280 x 1024 pixel screen (19200 x 15360 twips).
        QCOMPARE(w->Width(), 3600);
        QCOMPARE(w->Height(), 2700);
        QCOMPARE(w->Left(), (19200 - 3600) / 2);
        QCOMPARE(w->Top(), (15360 - 2700) / 2);
        w->GetAlarmData();
        QVERIFY(f.program->CurrentAlarm.Enabled);
        QCOMPARE(f.program->CurrentAlarm.AlarmTime, QTime(9, 30));
        QCOMPARE(f.program->CurrentAlarm.AlarmDate, QDate(2004, 2, 3));
        QCOMPARE(f.program->CurrentAlarm.Sound, QStringLiteral("C:\\Sounds\\ding.wav"));
    }

    void replaceQuestion_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<int>("importedSlot");       // 0: nothing imported

        QTest::newRow("Yes replaces in place") << int(MsgResult::Yes) << QStringList{"Imported", "Other", "Second"} << 1;
        QTest::newRow("No adds a copy") << int(MsgResult::No)
                                        << QStringList{"Original", "Other", "Imported", "Second"} << 3;
        QTest::newRow("Cancel stops the import") << int(MsgResult::Cancel) << QStringList{"Original", "Other"} << 0;
    }

    void replaceQuestion()
    {
        QFETCH(int, answer);
        QFETCH(QStringList, entries);
        QFETCH(int, importedSlot);

        const QString id = QStringLiteral("TESTPC:01022026:101010:42");
        ProgramFixture f;
        startWith(f, {textNote("Original", "old text", id), textNote("Other", "other", "TESTPC:01022026:101010:43")});
        // The note that matches comes first; the one after it is read only if the import goes on.
        const QString path = write(f, "two.NoteFile",
                                   noteFileOf({textNote("Imported", "new text", id),
                                               textNote("Second", "second", "TESTPC:02022026:090000:01")}));
        f.prompts.answerMessage(MsgResult(answer));
        QVERIFY(f.program->hub().LoadNoteFile(path));

        QCOMPARE(f.prompts.asked().size(), 1);
        QCOMPARE(f.prompts.last().text, kReplaceQuestion);
        QCOMPARE(f.prompts.last().icon, MsgIcon::Question);
        QCOMPARE(f.prompts.last().buttons, MsgButtons::YesNoCancel);
        QCOMPARE(f.prompts.last().title, QStringLiteral("Pellux"));
        QCOMPARE(listEntries(*f.program), entries);
        QCOMPARE(f.program->upperBound(), int(entries.size()));
        for (int slot = 1; slot <= f.program->upperBound(); ++slot)
            QCOMPARE(f.program->note(slot)->Caption(), entries.at(slot - 1));
        if (importedSlot == 0)
            return;
        auto *imported = qobject_cast<TextNoteProt *>(f.program->note(importedSlot));
        QCOMPARE(imported->text(), QStringLiteral("new text"));
        if (answer == int(MsgResult::Yes)) {
            QCOMPARE(imported->NoteGUID(), id);
        } else {
            QCOMPARE(f.program->note(1)->NoteGUID(), id);
            QVERIFY(imported->NoteGUID() != id);
            QVERIFY(!imported->NoteGUID().isEmpty());
        }
        QCOMPARE(f.program->FindNoteByGUID(id), qint16(1));
    }

    void replacingTheNoteThatAskedIsSafe()
    {
        const QString id = QStringLiteral("TESTPC:01022026:101010:42");
        ProgramFixture f;
        startWith(f, {textNote("Original", "old text", id)});
        const QString path = write(f, "same.NoteFile", noteFileOf({textNote("Imported", "new text", id)}));
        f.prompts.answerMessage(MsgResult::Yes);
        // The note's own read-in, with its own identifier in the file.
        f.program->note(1)->ReadIn(path);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(f.program->upperBound(), 1);
        QCOMPARE(qobject_cast<TextNoteProt *>(f.program->note(1))->text(), QStringLiteral("new text"));
    }

    void noteWithoutIdentifierGetsANewOne()
    {
        ProgramFixture f;
        startWith(f, {textNote("Open", "open", "TESTPC:10122026:103015:25")});
        const QString path = write(f, "plain.NoteFile",
                                   noteFileOf({textNote("A", "a", QString()), textNote("B", "b", QString())}));
        QVERIFY(f.program->hub().LoadNoteFile(path));
        QVERIFY(f.prompts.asked().isEmpty());
        QCOMPARE(f.program->upperBound(), 3);
        const QString a = f.program->note(2)->NoteGUID();
        const QString b = f.program->note(3)->NoteGUID();
        // Made in the same hundredth of a second as the open note's: each takes the next one free.
        QCOMPARE(a, QStringLiteral("TESTPC:10122026:103015:26"));
        QCOMPARE(b, QStringLiteral("TESTPC:10122026:103015:27"));
        QCOMPARE(f.clock.waits(), 0);
    }

    void blankTitledRecordsAreSkippedWithTheirBodies()
    {
        ProgramFixture f;
        f.start();
        const QString path = write(f, "blank.NoteFile", fixture("blank_title.NoteFile"));
        QVERIFY(f.program->hub().LoadNoteFile(path));
        QVERIFY(f.prompts.asked().isEmpty());
        QCOMPARE(listEntries(*f.program), QStringList({"Kept", "Also kept"}));
        QCOMPARE(qobject_cast<TextNoteProt *>(f.program->note(1))->text(), QStringLiteral("kept text"));
        auto *list = qobject_cast<CheckListProt *>(f.program->note(2));
        QVERIFY(list);
        QCOMPARE(list->rows(), QList<CheckRow>({{true, QStringLiteral("milk")}, {false, QStringLiteral("eggs")}}));
    }

    void fileThatIsNoNoteFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("an old pixel store") << fixture("pixels.NoteData");
        QTest::newRow("a blank after the version") << QByteArray("NoteFile 3.0 \r\nxx");
        QTest::newRow("line feed alone") << QByteArray("NoteFile 3.0\nxx");
        QTest::newRow("text") << QByteArray("Shopping: milk, eggs\r\n");
    }

    void fileThatIsNoNoteFile()
    {
        QFETCH(QByteArray, bytes);
        ProgramFixture f;
        f.start();
        f.prompts.answerMessage(MsgResult::Ok);
        QVERIFY(!f.program->hub().LoadNoteFile(write(f, "x.NoteFile", bytes)));
        QCOMPARE(f.prompts.asked().size(), 1);
        QCOMPARE(f.prompts.last().text, QStringLiteral("NoteFile is invalid"));
        QCOMPARE(f.prompts.last().icon, MsgIcon::Exclamation);
        QCOMPARE(f.prompts.last().title, QStringLiteral("Pellux"));
        QCOMPARE(f.program->upperBound(), 0);
    }

    void emptyFileImportsNothingAndSaysNothing()
    {
        ProgramFixture f;
        f.start();
        QVERIFY(f.program->hub().LoadNoteFile(write(f, "empty.NoteFile", QByteArray())));
        QVERIFY(f.prompts.asked().isEmpty());
        QCOMPARE(f.program->upperBound(), 0);
    }

    void readFailureKeepsTheNotesBeforeIt_data()
    {
        QTest::addColumn<QString>("name");          // a fixture; "" a file that is not there; "/" a folder
        QTest::addColumn<QStringList>("imported");
        QTest::addColumn<QString>("error");

        QTest::newRow("cut short") << "truncated.NoteFile" << QStringList{"First"}
                                   << "Record 2 is cut short: the file ends inside its text note. (296)";
        QTest::newRow("unknown type") << "unknown_type.NoteFile" << QStringList{"First"}
                                      << "Record 2 has the unknown note type \"Sketch30\". (262)";
        QTest::newRow("no such file") << "" << QStringList{} << "No such file or directory (2)";
        QTest::newRow("a folder") << "/" << QStringList{} << "Is a directory (21)";
    }

    void readFailureKeepsTheNotesBeforeIt()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, imported);
        QFETCH(QString, error);
        ProgramFixture f;
        f.start();
        QString path;
        if (name.isEmpty())
            path = f.env.root() + "/gone.NoteFile";
        else if (name == "/")
            path = f.env.root();
        else
            path = write(f, name, fixture(name));
        f.prompts.answerMessage(MsgResult::Ok);
        QVERIFY(!f.program->hub().LoadNoteFile(path));
        QCOMPARE(f.prompts.asked().size(), 1);
        QCOMPARE(f.prompts.last().text,
                 QStringLiteral("Error Reading In File \"%1\".  Aborting.\r\n\r\nError: %2").arg(path, error));
        QCOMPARE(f.prompts.last().icon, MsgIcon::Critical);
        QCOMPARE(listEntries(*f.program), imported);
    }

    void everyCutOfANoteFileIsSafe()
    {
        ProgramFixture f;
        f.start();
        // Two notes, a text note and a check list, cut after every byte.
        const StoredNote first = textNote("Text", "some text", "TESTPC:01022026:101010:42");
        const QByteArray whole = noteFileOf({first, checkList("List", {{true, "a"}, {false, "b"}},
                                                              "TESTPC:01022026:101010:43")});
        // Where a file of the first note alone would end: a cut there is a whole file.
        const qsizetype between = noteFileOf({first}).size();
        int imported = 0;
        for (qsizetype cut = 0; cut < whole.size(); ++cut) {
            const QString path = write(f, QStringLiteral("cut%1.NoteFile").arg(cut), whole.left(cut));
            f.prompts.clear();
            f.prompts.answerMessage(MsgResult::Ok);
            const int before = f.program->upperBound();
            const bool read = f.program->hub().LoadNoteFile(path);
            const int added = f.program->upperBound() - before;
            // Cut inside the first note: nothing; inside the second: the first. Never more, and a
            // cut file is never taken as whole (only nothing, the header alone or one whole note is).
            QVERIFY2(added == (cut >= between ? 1 : 0), qPrintable(QString::number(cut)));
            QCOMPARE(read, cut == 0 || cut == qsizetype(sizeof(NoteFileHeader) - 1) || cut == between);
            imported += added;
            // A note of the first identifier is open from here on: the question comes first.
            if (added == 1)
                f.program->hub().DelNote(f.program->upperBound(), true);
        }
        QVERIFY(imported > 0);
    }

    // ---- "&Save Note To File..." -------------------------------------------------------

    void saveDialogOffersTheFormsInOrder_data()
    {
        QTest::addColumn<QString>("type");
        QTest::newRow("text note") << "TextNote";
        QTest::newRow("check list") << "CheckList";
    }

    void saveDialogOffersTheFormsInOrder()
    {
        QFETCH(QString, type);
        ProgramFixture f;
        StoredNote n = textNote("a/b: c?", "text", "TESTPC:01022026:101010:42");
        n.type = type;
        startWith(f, {n});
        NoteWindow *w = f.program->note(1);
        QVERIFY(w->mnuSaveNoteOut->isEnabled());
        w->mnuSaveNoteOut->trigger();
        QCOMPARE(f.prompts.asked().size(), 1);
        const AskedPrompt &asked = f.prompts.last();
        QCOMPARE(asked.kind, AskedPrompt::SaveFile);
        QCOMPARE(asked.file.filters, QStringList({"Text Files (*.txt)", "HTML File (*.html)",
                                                  "Pellux Note File (*.NoteFile)", "All Files (*)"}));
        QCOMPARE(asked.file.filterIndex, 1);
        QCOMPARE(asked.file.fileName, QStringLiteral("a b  c"));
        QVERIFY(asked.file.overwritePrompt);
        // Cancelled: nothing is written, nothing said.
        QVERIFY(QDir(f.env.root()).entryList({"*.txt", "*.html", "*.NoteFile"}, QDir::Files).isEmpty());
    }

    void savedFileHoldsTheChosenForm_data()
    {
        QTest::addColumn<StoredNote>("note");
        QTest::addColumn<int>("filter");
        QTest::addColumn<QByteArray>("expected");

        StoredNote text = textNote("Two lines", "first\r\nsecond & <more>", "TESTPC:01022026:101010:42");
        text.style = style(true, true);
        const QByteArray textHtml =
            "<html>\r\n<head>\r\n<title>Two lines</title>\r\n</head>\r\n<body>\r\n"
            "<table border='2'><tr><td><font face='DejaVu Sans' style='font-size: 12pt'><B><I>Two lines:</B></I>"
            "</font></td></tr>\r\n<tr><td bgcolor='#FFFFC0'><font color='#800000' face='DejaVu Sans' "
            "style='font-size: 10pt'><B><I>first<br>\r\nsecond &amp; &lt;more&gt;</B></I></font></td>\r\n"
            "</tr></table>\r\n</body>\r\n</html>\r\n\r\n";
        QTest::newRow("text note as text") << text << 1 << QByteArray("first\r\nsecond & <more>\r\n");
        QTest::newRow("text note, all files") << text << 4 << QByteArray("first\r\nsecond & <more>\r\n");
        QTest::newRow("text note as HTML") << text << 2 << textHtml;

        StoredNote entity = textNote("Entity", "&lt; stays literal", "TESTPC:01022026:101010:44");
        QTest::newRow("an entity in the text escapes again")
            << entity << 2
            << QByteArray("<html>\r\n<head>\r\n<title>Entity</title>\r\n</head>\r\n<body>\r\n"
                          "<table border='2'><tr><td><font face='DejaVu Sans' style='font-size: 12pt'>Entity:</font>"
                          "</td></tr>\r\n<tr><td bgcolor='#FFFFC0'><font color='#800000' face='DejaVu Sans' "
                          "style='font-size: 10pt'>&amp;lt; stays literal</font></td>\r\n</tr></table>\r\n</body>"
                          "\r\n</html>\r\n\r\n");

        const StoredNote list = checkList("Shop & go", {{true, "milk"}, {false, "eggs & ham"}, {false, ""}},
                                          "TESTPC:01022026:101010:43");
        QTest::newRow("check list as text") << list << 1 << QByteArray("milk\r\neggs & ham\r\n\r\n");
        QTest::newRow("check list as HTML")
            << list << 2
            << QByteArray("<html>\r\n<head>\r\n<title>Shop & go</title>\r\n</head>\r\n<body>\r\n"
                          "<table border='2'><tr><td><font face='DejaVu Sans' style='font-size: 10pt'>Shop &amp; go:"
                          "</font></td></tr><tr><td bgcolor='#FFFFC0'><table border='0'>\r\n"
                          "<tr>\r\n<td><font face='Wingdings' color='#800000' style='font-size: 10pt'>&#254;</font>"
                          "</td>\r\n<td style='border-bottom-style: dashed; border-bottom-width: 2'><font "
                          "face='DejaVu Sans' color='#800000' style='font-size: 10pt'>milk</font></td>\r\n</tr>\r\n"
                          "<tr>\r\n<td><font face='Wingdings' color='#800000' style='font-size: 10pt'>o</font>"
                          "</td>\r\n<td style='border-bottom-style: dashed; border-bottom-width: 2'><font "
                          "face='DejaVu Sans' color='#800000' style='font-size: 10pt'>eggs &amp; ham</font></td>\r\n"
                          "</tr>\r\n"
                          "<tr>\r\n<td><font face='Wingdings' color='#800000' style='font-size: 10pt'>o</font>"
                          "</td>\r\n<td style='border-bottom-style: dashed; border-bottom-width: 2'><font "
                          "face='DejaVu Sans' color='#800000' style='font-size: 10pt'></font></td>\r\n</tr>\r\n"
                          "</table></td></tr></table>\r\n</body>\r\n</html>\r\n\r\n");
        QTest::newRow("text in UTF-8") << textNote("Caf\u00e9", "Gr\u00fc\u00dfe \u65e5\u672c", "TESTPC:01022026:101010:45")
                                       << 1 << QByteArray("Gr\xc3\xbc\xc3\x9f" "e \xe6\x97\xa5\xe6\x9c\xac\r\n");
    }

    void savedFileHoldsTheChosenForm()
    {
        QFETCH(StoredNote, note);
        QFETCH(int, filter);
        QFETCH(QByteArray, expected);
        ProgramFixture f;
        startWith(f, {note});
        // The chosen name is used as it is: no extension is added; a file there is replaced.
        const QString path = write(f, "out.file", "an older file that is longer than the new one, much longer");
        f.prompts.answerFile(FileAnswer{path, filter});
        f.program->hub().run(Feature::SaveNoteToFile, 1);
        QVERIFY(f.prompts.unexpected().isEmpty());
        QCOMPARE(f.prompts.asked().size(), 1);
        QCOMPARE(TestEnvironment::readFile(path), expected);
    }

    void savedNoteFileReadsBack()
    {
        ProgramFixture f;
        startWith(f, {textNote("Keep", "kept text", "TESTPC:01022026:101010:42")});
        const QString path = f.env.root() + "/keep";
        f.prompts.answerFile(FileAnswer{path, NoteFiles::NoteFileFilter});
        f.program->hub().run(Feature::SaveNoteToFile, 1);
        const QByteArray bytes = TestEnvironment::readFile(path);
        QVERIFY(bytes.startsWith("NoteFile 3.0\r\n"));
        const BinaryReadResult read = ReadNoteFile(bytes);
        QCOMPARE(read.status, BinaryReadStatus::Complete);
        QCOMPARE(read.notes.size(), 1);
        QCOMPARE(read.notes.first().note.text, QStringLiteral("kept text"));
        QCOMPARE(read.notes.first().note.type, QStringLiteral("TextNote30"));
        // The password field is written blank: the import ignores it, and it would be in clear.
        QVERIFY(read.notes.first().password.isEmpty());
    }

    void charactersANoteFileCannotHoldAreNamedFirst_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("No keeps the file as it was") << int(MsgResult::No);
        QTest::newRow("Yes writes them as question marks") << int(MsgResult::Yes);
    }

    void charactersANoteFileCannotHoldAreNamedFirst()
    {
        QFETCH(int, answer);
        ProgramFixture f;
        // The euro sign and the accented letter are in Windows-1252; the others are not.
        startWith(f, {textNote("Greek \u03a9", "\u20ac caf\u00e9 \u03a9 \U0001F600 \u200b \u03a9",
                               "TESTPC:01022026:101010:42")});
        const QString path = write(f, "greek.NoteFile", "old");
        f.prompts.answerMessage(MsgResult(answer));
        const bool written = NoteFiles::SaveNoteFile(*f.program, path, 1);
        QCOMPARE(f.prompts.asked().size(), 1);
        QCOMPARE(f.prompts.last().text,
                 QStringLiteral("A Pellux Note File cannot hold these characters of the note \"Greek \u03a9\": "
                                "\"\u03a9\" (U+03A9), \"\U0001F600\" (U+1F600), U+200B.\r\rThey will be written as "
                                "\"?\".  Save the note anyway?"));
        QCOMPARE(f.prompts.last().icon, MsgIcon::Exclamation);
        QCOMPARE(f.prompts.last().buttons, MsgButtons::YesNo);
        QCOMPARE(f.prompts.last().defaultButton, std::optional<MsgResult>(MsgResult::No));
        if (answer == int(MsgResult::No)) {
            QVERIFY(!written);
            QCOMPARE(TestEnvironment::readFile(path), QByteArray("old"));
            return;
        }
        QVERIFY(written);
        const BinaryReadResult read = ReadNoteFile(TestEnvironment::readFile(path));
        QCOMPARE(read.notes.first().note.title, QStringLiteral("Greek ?"));
        QCOMPARE(read.notes.first().note.text, QStringLiteral("\u20ac caf\u00e9 ? ? ? ?"));
    }

    void textTooLongForTheFormatIsRefused()
    {
        ProgramFixture f;
        startWith(f, {textNote("Long", QString(70000, QLatin1Char('x')), "TESTPC:01022026:101010:42")});
        const QString path = write(f, "long.NoteFile", "old");
        f.prompts.answerMessage(MsgResult::Ok);
        QVERIFY(!NoteFiles::SaveNoteFile(*f.program, path, 1));
        QCOMPARE(f.prompts.last().text,
                 QStringLiteral("Pellux could not write the note to \"%1\".\r\rThe note's text is too long for a "
                                "note file: it takes 70,000 bytes, and a note file holds at most 65,535 in one text.")
                     .arg(path));
        QCOMPARE(TestEnvironment::readFile(path), QByteArray("old"));
    }

    void longListOfCharactersIsCut()
    {
        ProgramFixture f;
        QString text;
        for (int i = 0; i < 14; ++i)
            text += QChar(0x0410 + i);      // Cyrillic A, B, ...
        startWith(f, {textNote("Cyrillic", text, "TESTPC:01022026:101010:42")});
        f.prompts.answerMessage(MsgResult::No);
        QVERIFY(!NoteFiles::SaveNoteFile(*f.program, f.env.root() + "/c.NoteFile", 1));
        QVERIFY(f.prompts.last().text.contains(QStringLiteral("\"\u0419\" (U+0419) and 4 more.\r\r")));
        QVERIFY(!f.prompts.last().text.contains(QStringLiteral("U+041A")));
    }

    void failedWriteNamesTheFileAndKeepsTheOldOne_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<bool>("folderGone");
        QTest::addColumn<QString>("reason");
        QTest::newRow("text, disk full") << 1 << false << "No space left on device";
        QTest::newRow("HTML, disk full") << 2 << false << "No space left on device";
        QTest::newRow("note file, disk full") << 3 << false << "No space left on device";
        QTest::newRow("note file, folder gone") << 3 << true << "No such file or directory";
        QTest::newRow("text, folder gone") << 1 << true << "No such file or directory";
    }

    void failedWriteNamesTheFileAndKeepsTheOldOne()
    {
        QFETCH(int, filter);
        QFETCH(bool, folderGone);
        QFETCH(QString, reason);
        ProgramFixture f;
        startWith(f, {textNote("Note", QString(2000, QLatin1Char('x')), "TESTPC:01022026:101010:42")});
        QString path;
        if (folderGone) {
            path = f.env.root() + "/gone/note.out";
        } else {
            path = write(f, "note.out", "the file that was there");
            f.program->saveFileFactory = [](const QString &name) {
                return std::unique_ptr<QSaveFile>(new FailingSaveFile(name, 100));
            };
        }
        f.prompts.answerFile(FileAnswer{path, filter});
        f.prompts.answerMessage(MsgResult::Ok);
        f.program->hub().run(Feature::SaveNoteToFile, 1);
        QVERIFY(f.prompts.unexpected().isEmpty());
        QString text = QStringLiteral("Pellux could not write the note to \"%1\".\r\r%2").arg(path, reason);
        if (!folderGone)
            text += QStringLiteral("\r\rThe file that was there is unchanged.");
        QCOMPARE(f.prompts.last().text, text);
        QCOMPARE(f.prompts.last().icon, MsgIcon::Exclamation);
        if (folderGone) {
            QVERIFY(!QFileInfo::exists(f.env.root() + "/gone"));
        } else {
            QCOMPARE(TestEnvironment::readFile(path), QByteArray("the file that was there"));
            // Nothing half-written is left beside it.
            QCOMPARE(QDir(f.env.root()).entryList({"note.out*"}, QDir::Files | QDir::Hidden),
                     QStringList({"note.out"}));
        }
    }

    // ---- the panel's drop --------------------------------------------------------------

    void noteFileDroppedOnThePanelIsImported()
    {
        ProgramFixture f;
        startWith(f, {textNote("One", "one", "TESTPC:01022026:101010:42")});
        const QString path = write(f, "Bank.NOTEFILE", fixture("legacy_password.NoteFile"));
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QWidget *target = ncp(*f.program).NoteList->viewport();
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &drop);
        // No title is asked and no empty note is left behind for the file.
        QVERIFY(f.prompts.asked().isEmpty());
        QCOMPARE(listEntries(*f.program), QStringList({"One", QStringLiteral("Bank caf\u00e9 \u20ac")}));
    }
};

QTEST_MAIN(TestNoteFiles)
#include "tst_notefiles.moc"
