// The check-list procedures: creating, retitling, font and colours, reading rows
// in from a file, the store element of the rows, and check lists loaded from and
// saved to the note store.
#include "checklists/CheckListProc.h"
#include "checklists/CheckListProt.h"
#include "checklists/CheckListRows.h"
#include "core/NoteRecord.h"
#include "core/notefile/NoteFile.h"
#include "app/Program.h"
#include "panel/NCP.h"
#include "panel/frmPelluxMenu.h"
#include "checklists/CheckListTestSupport.h"
#include "support/ProgramFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QDomDocument>
#include <QListWidget>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

using namespace pellux;
using namespace pellux::test;

namespace {

const QString kFixture = QStringLiteral(PELLUX_FIXTURES "/checklists/checklists.NoteData");

/// A store holding the given "note" elements, written the way the program writes one.
QByteArray storeOf(const QByteArray &notes)
{
    return "<!--Pellux NoteData 4-->\r\n<notedata version=\"4\">" + notes + "</notedata>\r\n";
}

QByteArray checkListNote(const QByteArray &title, const QByteArray &data, const QByteArray &flags = {})
{
    const QByteArray f = flags.isEmpty() ? QByteArray("<rollup>False</rollup><ontop>False</ontop>") : flags;
    return "<note type=\"CheckList\"><title>" + title
           + "</title><nid>PC:01012026:101010:10</nid><top>10</top><left>20</left><width>200</width>"
             "<height>150</height><visible>True</visible>"
           + f
           + "<pelluxalarm><enabled>False</enabled><sound/><type>0</type><time>12:00:00 AM</time>"
             "<date>12:00:00 AM</date><dow>False,False,False,False,False,False,False</dow></pelluxalarm>"
           + data
           + "<font><name>DejaVu Sans</name><size>8.25</size><bold>False</bold><italic>False</italic>"
             "<underline>False</underline><strikethru>False</strikethru></font>"
             "<color><fore>#000000</fore><back>#FFFF00</back></color></note>";
}

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    TestEnvironment::writeFile(path, bytes);
    return path;
}

} // namespace

class TestCheckListProc : public QObject
{
    Q_OBJECT

private slots:
    // ---- creating --------------------------------------------------------------------------

    void newCheckListAsksForATitle_data()
    {
        QTest::addColumn<int>("notesBefore");
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("offered");
        QTest::addColumn<QString>("answer");

        QTest::newRow("first note") << 0 << "" << "Note 1" << "Shopping";
        QTest::newRow("after two notes") << 2 << "" << "Note 3" << "Packing";
        QTest::newRow("title given") << 0 << "From the tray" << "From the tray" << "From the tray";
        QTest::newRow("cleared") << 1 << "" << "Note 2" << "";
    }

    void newCheckListAsksForATitle()
    {
        QFETCH(int, notesBefore);
        QFETCH(QString, given);
        QFETCH(QString, offered);
        QFETCH(QString, answer);

        ProgramFixture f;
        f.start();
        for (int i = 0; i < notesBefore; ++i)
            QVERIFY(newList(f, QStringLiteral("Earlier %1").arg(i)));
        f.prompts.clear();
        const int rows = ncp(*f.program).NoteList->count();

        f.prompts.answerInput(answer);
        QString title = given;
        const bool made = CheckListProc::NewCheckList(*f.program, title);
        const AskedPrompt &q = f.prompts.last();
        QCOMPARE(q.kind, AskedPrompt::Input);
        QCOMPARE(q.text, QStringLiteral("What do you want for the title of this check list?"));
        QCOMPARE(q.title, QStringLiteral("Check List Title"));
        QCOMPARE(q.defaultText, offered);
        QVERIFY(!f.program->modal().active());
        QVERIFY(f.prompts.unexpected().isEmpty());

        if (answer.isEmpty()) {
            QVERIFY(!made);
            QCOMPARE(f.program->upperBound(), notesBefore);
            QCOMPARE(ncp(*f.program).NoteList->count(), rows);
            return;
        }
        QVERIFY(made);
        QCOMPARE(title, answer);
        const int slot = notesBefore + 1;
        QCOMPARE(f.program->upperBound(), slot);
        CheckListProt *w = checkListIn(f, slot);
        QVERIFY(w);
        QCOMPARE(int(w->NoteNum), slot);
        QCOMPARE(w->Caption(), answer);
        QCOMPARE(w->noteType(), QStringLiteral("CheckList"));
        QCOMPARE(ncp(*f.program).listEntry(slot), answer);
        QVERIFY(trayMenu(*f.program).mnuNoteList(slot));
        QCOMPARE(trayMenu(*f.program).mnuNoteList(slot)->text(), answer);
        // Made now; the clock stands still, so each earlier list took the hundredth before.
        QCOMPARE(w->NoteGUID(), QStringLiteral("TESTPC:10122026:103015:%1").arg(25 + notesBefore));
        QCOMPARE(f.clock.waits(), 0);
        QVERIFY(w->isVisible());
        QCOMPARE(w->ItemCount, 1);
        QCOMPARE(w->rowText(1), QString());
        QCOMPARE(w->CurrentItem, 1);
        QCOMPARE(w->FocusKind, QStringLiteral("T"));
        QCOMPARE(w->focusWidget(), w->txtItem(1));
        QVERIFY(!w->ResetSizePending);
        QCOMPARE(w->noteStyle(), ncp(*f.program).sampleStyle());
    }

    void newCheckListTakesThePanelDefaults_data()
    {
        QTest::addColumn<bool>("rollUp");
        QTest::addColumn<bool>("onTop");
        QTest::newRow("neither") << false << false;
        QTest::newRow("roll up") << true << false;
        QTest::newRow("on top") << false << true;
    }

    void newCheckListTakesThePanelDefaults()
    {
        QFETCH(bool, rollUp);
        QFETCH(bool, onTop);
        ProgramFixture f;
        f.start();
        ncp(*f.program).chkRollup->setChecked(rollUp);
        ncp(*f.program).chkAlwaysOnTop->setChecked(onTop);
        CheckListProt *w = newList(f);
        QVERIFY(w);
        QCOMPARE(w->mnuRollUp->isChecked(), rollUp);
        QCOMPARE(w->mnuOnTop->isChecked(), onTop);
        // The tick and the placement agree.
        QCOMPARE(w->isTopmost(), onTop);
    }

    // ---- retitling, font and colours -------------------------------------------------------

    void retitleKeepsOrReplacesTheTitle()
    {
        ProgramFixture f;
        f.start();
        CheckListProt *w = newList(f, QStringLiteral("Old & odd"));
        QVERIFY(w);

        f.prompts.answerInput(QString());
        w->mnuReTitle->trigger();
        QCOMPARE(f.prompts.last().text, QStringLiteral("What do you want for the new title?"));
        QCOMPARE(f.prompts.last().title, QStringLiteral("Check List Title"));
        QCOMPARE(f.prompts.last().defaultText, QStringLiteral("Old & odd"));
        QCOMPARE(w->Caption(), QStringLiteral("Old & odd"));

        f.prompts.answerInput(QStringLiteral("New & shiny"));
        CheckListProc::RetitleCheckList(*f.program, 1);
        QCOMPARE(w->Caption(), QStringLiteral("New & shiny"));
        QCOMPARE(ncp(*f.program).listEntry(1), QStringLiteral("New & shiny"));
        QCOMPARE(trayMenu(*f.program).mnuNoteList(1)->text(), QStringLiteral("New && shiny"));
        QVERIFY(f.prompts.unexpected().isEmpty());
    }

    void fontComesFromTheDialogButNotItsStrikeThrough()
    {
        ProgramFixture f;
        f.start();
        CheckListProt *w = newList(f);
        QVERIFY(w);
        w->AddLine(QStringLiteral("one"), 0);
        w->AddLine(QStringLiteral("two"), 1);
        w->UpdateItems();
        NoteStyle s = w->noteStyle();
        s.fontName = QStringLiteral("DejaVu Sans");
        s.fontSize = 9.0f;
        s.foreColor = 0x000000FF;
        w->setNoteStyle(s);
        const int smallHeight = w->textHeight();

        NoteStyle chosen;
        chosen.fontName = QStringLiteral("DejaVu Serif");
        chosen.fontSize = 20.0f;
        chosen.bold = true;
        chosen.italic = true;
        chosen.underline = true;
        chosen.strikethru = true;
        chosen.foreColor = fromQColor(QColor(0, 128, 0));
        f.prompts.answerFont(chosen);
        w->mnuNoteFont->trigger();

        const NoteStyle preset = f.prompts.last().initialFont;
        QCOMPARE(preset.fontName, s.fontName);
        QCOMPARE(preset.fontSize, 9.0f);
        QCOMPARE(toQColor(preset.foreColor), QColor(255, 0, 0));

        const NoteStyle now = w->noteStyle();
        QCOMPARE(now.fontName, QStringLiteral("DejaVu Serif"));
        QCOMPARE(now.fontSize, 20.0f);
        QVERIFY(now.bold && now.italic && now.underline);
        QVERIFY(!now.strikethru);
        QCOMPARE(now.foreColor, fromQColor(QColor(0, 128, 0)));
        // Every row follows row 1; only the checked row is struck through.
        for (int i = 1; i <= 2; ++i) {
            QCOMPARE(w->txtItem(i)->font().pointSizeF(), 20.0);
            QVERIFY(w->txtItem(i)->font().bold());
            QCOMPARE(w->txtItem(i)->palette().color(QPalette::Text), QColor(0, 128, 0));
        }
        QVERIFY(!w->txtItem(1)->font().strikeOut());
        QVERIFY(w->txtItem(2)->font().strikeOut());
        // The rows grow with the font.
        QVERIFY(w->textHeight() > smallHeight);
        QCOMPARE(w->txtItem(2)->height() * 15, w->textHeight());
        QCOMPARE(w->rowTop(2), w->rowTop(1) + w->pitch());

        // Cancelled: nothing changes.
        f.prompts.answerFont(std::nullopt);
        CheckListProc::SetCheckListFont(*f.program, 1);
        QCOMPARE(w->noteStyle(), now);
        QVERIFY(f.prompts.unexpected().isEmpty());
    }

    void coloursSpreadToEveryRow_data()
    {
        QTest::addColumn<bool>("fore");
        QTest::newRow("foreground") << true;
        QTest::newRow("background") << false;
    }

    void coloursSpreadToEveryRow()
    {
        QFETCH(bool, fore);
        ProgramFixture f;
        f.start();
        CheckListProt *w = newList(f);
        QVERIFY(w);
        w->AddLine(QStringLiteral("one"), 0);
        w->AddLine(QStringLiteral("two"), 0);
        w->UpdateItems();
        NoteStyle s = w->noteStyle();
        s.foreColor = 0x00112233;
        s.backColor = 0x00445566;
        w->setNoteStyle(s);
        const NoteStyle before = w->noteStyle();

        const QColor picked(10, 200, 30);
        f.prompts.answerColor(picked);
        (fore ? w->mnuNoteFore : w->mnuNoteBack)->trigger();
        QCOMPARE(f.prompts.last().kind, AskedPrompt::Color);
        QCOMPARE(f.prompts.last().initialColor, toQColor(fore ? before.foreColor : before.backColor));

        const NoteStyle now = w->noteStyle();
        QCOMPARE(fore ? now.foreColor : now.backColor, fromQColor(picked));
        QCOMPARE(fore ? now.backColor : now.foreColor, fore ? before.backColor : before.foreColor);
        for (int i = 1; i <= 2; ++i) {
            if (fore) {
                QCOMPARE(w->txtItem(i)->palette().color(QPalette::Text), picked);
                QCOMPARE(w->Line1(i)->palette().color(QPalette::WindowText), picked);
            } else {
                QCOMPARE(w->txtItem(i)->palette().color(QPalette::Base), picked);
                QCOMPARE(w->chkItem(i)->palette().color(w->chkItem(i)->backgroundRole()), picked);
            }
        }

        f.prompts.answerColor(std::nullopt);
        (fore ? w->mnuNoteFore : w->mnuNoteBack)->trigger();
        QCOMPARE(w->noteStyle(), now);
        QVERIFY(f.prompts.unexpected().isEmpty());
    }

    void defaultFontAndColourComeFromThePanel()
    {
        ProgramFixture f;
        f.start();
        CheckListProt *w = newList(f);
        QVERIFY(w);
        NoteStyle sample = ncp(*f.program).sampleStyle();
        sample.fontSize = 14.0f;
        sample.backColor = 0x0000FF00;
        ncp(*f.program).setSampleStyle(sample);
        w->mnuDefaultFC->trigger();
        QCOMPARE(w->noteStyle(), sample);
        QCOMPARE(w->txtItem(1)->palette().color(QPalette::Base), QColor(0, 255, 0));
    }

    // The new-note font may or may not strike through: on a check list only the boxes decide.
    void checkedRowsStayStruckThroughAfterARestyle_data()
    {
        QTest::addColumn<bool>("resetAll");
        QTest::addColumn<bool>("defaultStrikes");
        QTest::newRow("Default Font & Color") << false << false;
        QTest::newRow("Default Font & Color, struck-through default") << false << true;
        QTest::newRow("Reset Notes") << true << false;
        QTest::newRow("Reset Notes, struck-through default") << true << true;
    }
    void checkedRowsStayStruckThroughAfterARestyle()
    {
        QFETCH(bool, resetAll);
        QFETCH(bool, defaultStrikes);
        ProgramFixture f;
        f.start();
        CheckListProt *w = newList(f);
        QVERIFY(w);
        for (const auto &[text, checked] : {std::pair{"milk", 1}, {"eggs", 0}, {"bread", 1}})
            w->AddLine(QLatin1String(text), checked);
        w->UpdateItems();
        NoteStyle sample = ncp(*f.program).sampleStyle();
        sample.fontSize = 14.0f;
        sample.strikethru = defaultStrikes;
        ncp(*f.program).setSampleStyle(sample);
        if (resetAll)
            f.program->hub().ResetNoteStyles();
        else
            w->mnuDefaultFC->trigger();
        QCOMPARE(w->txtItem(1)->font().pointSizeF(), 14.0);
        for (int i = 1; i <= 3; ++i)
            QVERIFY2(w->txtItem(i)->font().strikeOut() == w->isChecked(i), qPrintable(QString::number(i)));
        // The note's font (what the store keeps) carries row 1's mark, as a check of row 1 sets it.
        QVERIFY(w->noteStyle().strikethru);
        w->setChecked(1, false);
        QVERIFY(!w->txtItem(1)->font().strikeOut());
        QVERIFY(!w->noteStyle().strikethru);
        w->mnuDefaultFC->trigger();
        QVERIFY(!w->txtItem(1)->font().strikeOut());
        QVERIFY(w->txtItem(3)->font().strikeOut());
    }

    // ---- reading rows in ----------------------------------------------------------------------

    void readInAddsOneRowPerLine_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("after");

        QTest::newRow("LF lines") << QStringList() << QByteArray("a\nb\nc\n") << QStringList({"a", "b", "c"});
        QTest::newRow("CR LF lines, no final break") << QStringList() << QByteArray("a\r\nb") << QStringList({"a", "b"});
        QTest::newRow("empty first lines fill nothing") << QStringList() << QByteArray("\n\r\nx\n\ny")
                                                        << QStringList({"x", "", "y"});
        QTest::newRow("onto existing rows") << QStringList({"keep"}) << QByteArray("n1\nn2\n")
                                            << QStringList({"keep", "n1", "n2"});
        QTest::newRow("empty file") << QStringList({"keep"}) << QByteArray() << QStringList({"keep"});
        QTest::newRow("UTF-8 and markup") << QStringList() << QByteArray("K\xC3\xA4se & <b>\n")
                                          << QStringList({QStringLiteral("Käse & <b>")});
    }

    void readInAddsOneRowPerLine()
    {
        QFETCH(QStringList, before);
        QFETCH(QByteArray, file);
        QFETCH(QStringList, after);

        ProgramFixture f;
        f.start();
        CheckListProt *w = newList(f);
        QVERIFY(w);
        for (const QString &t : before)
            w->AddLine(t, 1);
        w->UpdateItems();
        QTemporaryDir dir;
        const QString path = writeFile(dir, QStringLiteral("rows.txt"), file);

        f.prompts.answerFile(FileAnswer{path, 1});
        w->mnuReadNoteIn->trigger();
        const AskedPrompt &q = f.prompts.last();
        QCOMPARE(q.kind, AskedPrompt::OpenFile);
        QCOMPARE(q.title, QStringLiteral("Read In"));
        QCOMPARE(q.file.filters, QStringList({"Text Files (*.txt)", "Pellux Note File (*.NoteFile)", "All Files (*)"}));
        QVERIFY(q.file.mustExist);
        QVERIFY(f.prompts.unexpected().isEmpty());

        QCOMPARE(texts(w), after);
        for (int i = int(before.size()) + 1; i <= w->ItemCount; ++i)
            QVERIFY(!w->isChecked(i));
        QCOMPARE(w->findChildren<CheckItemText *>().size(), after.size());
    }

    void readInRefusalsChangeNothing_data()
    {
        QTest::addColumn<QString>("name");          // empty: the dialog was cancelled
        QTest::addColumn<int>("filter");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QString>("message");       // %1 = the path

        QTest::newRow("cancelled") << "" << 1 << false << "";
        QTest::newRow("missing file") << "gone.txt" << 1 << false
                                      << "ERROR:  \"%1\" could not be read: No such file or directory";
    }

    void readInRefusalsChangeNothing()
    {
        QFETCH(QString, name);
        QFETCH(int, filter);
        QFETCH(bool, exists);
        QFETCH(QString, message);

        ProgramFixture f;
        f.start();
        CheckListProt *w = newList(f);
        QVERIFY(w);
        w->AddLine(QStringLiteral("keep"), 0);
        QTemporaryDir dir;
        QString path;
        if (!name.isEmpty())
            path = exists ? writeFile(dir, name, "line one\nline two\n") : dir.filePath(name);
        f.prompts.answerFile(FileAnswer{path, filter});
        if (!message.isEmpty())
            f.prompts.answerMessage(MsgResult::Ok);
        CheckListProc::ReadCheckListIn(*f.program, 1);
        if (!message.isEmpty()) {
            QCOMPARE(f.prompts.last().text, message.arg(path));
            QCOMPARE(f.prompts.last().icon, MsgIcon::Critical);
            QCOMPARE(f.prompts.last().title, QStringLiteral("Pellux"));
        } else {
            QCOMPARE(f.prompts.last().kind, AskedPrompt::OpenFile);
        }
        QVERIFY(f.prompts.unexpected().isEmpty());
        QCOMPARE(texts(w), QStringList({"keep"}));
    }

    void readInOfANoteFileImportsIt_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("filter");
        QTest::newRow("the note file filter") << "list.bin" << 2;
        QTest::newRow("a .NoteFile under All Files") << "list.NOTEFILE" << 3;
    }

    void readInOfANoteFileImportsIt()
    {
        QFETCH(QString, name);
        QFETCH(int, filter);
        ProgramFixture f;
        f.start();
        CheckListProt *w = newList(f);
        QVERIFY(w);
        w->AddLine(QStringLiteral("keep"), 0);
        StoredNote note;
        note.type = QStringLiteral("CheckList");
        note.title = QStringLiteral("Imported list");
        note.rows = {CheckRow{true, QStringLiteral("from the file")}, CheckRow{false, QStringLiteral("second")}};
        QTemporaryDir dir;
        const QString path = writeFile(dir, name, WriteNoteFile(note).bytes);
        f.prompts.clear();
        f.prompts.answerFile(FileAnswer{path, filter});
        CheckListProc::ReadCheckListIn(*f.program, 1);
        QVERIFY(f.prompts.unexpected().isEmpty());
        QCOMPARE(texts(w), QStringList({"keep"}));
        CheckListProt *imported = checkListIn(f, 2);
        QVERIFY(imported);
        QCOMPARE(imported->Caption(), QStringLiteral("Imported list"));
        QCOMPARE(texts(imported), QStringList({"from the file", "second"}));
        QCOMPARE(checks(imported), QList<bool>({true, false}));
    }

    void readInOfAVeryLongFileAsksFirst_data()
    {
        QTest::addColumn<int>("lines");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("yes");

        QTest::newRow("at the limit: no question") << CheckListProc::LargeReadInLines << false << false;
        QTest::newRow("beyond, answered No") << CheckListProc::LargeReadInLines + 1 << true << false;
        QTest::newRow("beyond, answered Yes") << CheckListProc::LargeReadInLines + 1 << true << true;
    }

    void readInOfAVeryLongFileAsksFirst()
    {
        QFETCH(int, lines);
        QFETCH(bool, asked);
        QFETCH(bool, yes);

        ProgramFixture f;
        f.start();
        CheckListProt *w = newList(f);
        QVERIFY(w);
        QTemporaryDir dir;
        QByteArray file;
        for (int i = 1; i <= lines; ++i)
            file += "line " + QByteArray::number(i) + "\n";
        const QString path = writeFile(dir, QStringLiteral("big.txt"), file);
        f.prompts.answerFile(FileAnswer{path, 3});
        if (asked)
            f.prompts.answerMessage(yes ? MsgResult::Yes : MsgResult::No);
        CheckListProc::ReadCheckListIn(*f.program, 1);
        QVERIFY(f.prompts.unexpected().isEmpty());
        if (asked) {
            const AskedPrompt &q = f.prompts.last();
            QCOMPARE(q.text, QStringLiteral("\"%1\" has %2 lines.  Reading it in adds one row for each line.\r\r"
                                            "Continue This Action?")
                                 .arg(path)
                                 .arg(lines));
            QCOMPARE(q.buttons, MsgButtons::YesNo);
            QCOMPARE(q.icon, MsgIcon::Question);
            QCOMPARE(q.defaultButton, std::optional<MsgResult>(MsgResult::No));
        } else {
            QCOMPARE(f.prompts.last().kind, AskedPrompt::OpenFile);
        }
        const bool read = !asked || yes;
        QCOMPARE(w->ItemCount, read ? lines : 1);
        QCOMPARE(w->rowText(1), read ? QStringLiteral("line 1") : QString());
        if (read)
            QCOMPARE(w->rowText(lines), QStringLiteral("line %1").arg(lines));
        // Let the new controls' pending events run, as the event loop would, before the
        // fixture unloads them (each unloaded control otherwise searches the whole queue).
        QApplication::processEvents();
    }

    void longRowsComeBackWhole()
    {
        // Longer than a line edit keeps by default (32767 characters).
        const QString longText = QString(40000, QLatin1Char('x')) + QStringLiteral("end");
        QByteArray saved;
        {
            ProgramFixture f;
            f.start();
            CheckListProt *w = newList(f);
            QVERIFY(w);
            w->AddLine(longText, 0);
            QCOMPARE(w->rowText(1), longText);
            QVERIFY(f.program->SaveNotes());
            saved = f.readStore();
        }
        ProgramFixture g;
        g.writeStore(saved);
        g.start();
        CheckListProt *w = checkListIn(g, 1);
        QVERIFY(w);
        QCOMPARE(w->rowText(1), longText);
    }

    // ---- the store element ------------------------------------------------------------------

    void rowsToTheStoreElement()
    {
        ProgramFixture f;
        f.start();
        CheckListProt *w = newList(f);
        QVERIFY(w);
        w->AddLine(QStringLiteral("a & b"), 1);
        w->AddLine(QString(), 0);
        w->AddLine(QStringLiteral("<c>"), -1);
        CheckListProc::CheckListDataToXml(*f.program, 1);
        const QDomElement data = f.program->XmlFragment;
        QCOMPARE(data.tagName(), QStringLiteral("data"));
        const QDomNodeList items = data.elementsByTagName(QStringLiteral("item"));
        QCOMPARE(items.size(), 3);
        const QStringList want{"a & b", "", "<c>"};
        const QStringList marks{"True", "False", "True"};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(items.at(i).toElement().text(), want.at(i));
            QCOMPARE(items.at(i).toElement().attribute(QStringLiteral("checked")), marks.at(i));
        }
        // A fresh list still writes its one row.
        CheckListProt *v = newList(f, QStringLiteral("Fresh"));
        QVERIFY(v);
        CheckListProc::CheckListDataToXml(*f.program, 2);
        QCOMPARE(f.program->XmlFragment.elementsByTagName(QStringLiteral("item")).size(), 1);
    }

    void checkListFromAStoreElement()
    {
        ProgramFixture f;
        f.start();
        QDomDocument doc;
        QVERIFY(doc.setContent(checkListNote("Trip &amp; more",
                                             "<data><item checked=\"True\">Passport</item><item checked=\"False\">"
                                             "Tickets</item><item checked=\"1\">Visa</item></data>",
                                             "<rollup>True</rollup><ontop>True</ontop>")));
        f.program->growNotes();
        CheckListProt *w = CheckListProc::LoadCheckListXml(*f.program, doc.documentElement(), 1);
        QVERIFY(w);
        QCOMPARE(checkListIn(f, 1), w);
        QCOMPARE(int(w->NoteNum), 1);
        QCOMPARE(w->Caption(), QStringLiteral("Trip & more"));
        QVERIFY(trayMenu(*f.program).mnuNoteList(1));
        QCOMPARE(texts(w), QStringList({"Passport", "Tickets", "Visa"}));
        QCOMPARE(checks(w), QList<bool>({true, false, true}));
        QVERIFY(w->txtItem(1)->font().strikeOut());
        QVERIFY(!w->txtItem(2)->font().strikeOut());
        QVERIFY(w->txtItem(3)->font().strikeOut());
        QVERIFY(w->mnuRollUp->isChecked());
        QVERIFY(!w->NoteRolled);
        QVERIFY(w->mnuOnTop->isChecked());
        QVERIFY(w->isTopmost());
        QCOMPARE(w->txtItem(2)->palette().color(QPalette::Base), QColor(255, 255, 0));
        QCOMPARE(w->rowTop(3), w->rowTop(1) + 2 * w->pitch());
    }

    // ---- the note store ------------------------------------------------------------------------

    void storeOfCheckListsLoadsAndSavesByteForByte()
    {
        const QByteArray bytes = TestEnvironment::readFile(kFixture);
        QVERIFY(!bytes.isEmpty());
        ProgramFixture f;
        f.writeStore(bytes);
        f.start();
        QVERIFY(f.prompts.unexpected().isEmpty());
        QCOMPARE(f.program->upperBound(), 4);

        CheckListProt *groceries = checkListIn(f, 1);
        QVERIFY(groceries);
        QCOMPARE(groceries->Caption(), QStringLiteral("Groceries & <more>"));
        QCOMPARE(texts(groceries), QStringList({"Milk", "Salt & pepper", "", "a < b > c", "\"Quoted\" text", "",
                                                QStringLiteral("Käse – Ærø 日本語"), "   "}));
        QCOMPARE(checks(groceries), QList<bool>({true, false, false, true, false, true, false, false}));
        for (int i = 1; i <= groceries->ItemCount; ++i)
            QCOMPARE(groceries->txtItem(i)->font().strikeOut(), groceries->isChecked(i));
        QCOMPARE(groceries->Width(), 260 * 15);
        QCOMPARE(groceries->Height(), 220 * 15);
        QVERIFY(groceries->isVisible());

        CheckListProt *longList = checkListIn(f, 2);
        QVERIFY(longList);
        QCOMPARE(longList->ItemCount, 300);
        QCOMPARE(longList->rowText(300), QStringLiteral("Step 300 of the long list"));
        QVERIFY(longList->isChecked(300));
        QVERIFY(!longList->isChecked(299));
        QVERIFY(!longList->VScroll->isHidden());
        QCOMPARE(longList->VScroll->maximum(), longList->pitch() * 300 + 160 - longList->clientHeightTwips());

        CheckListProt *rolled = checkListIn(f, 3);
        QVERIFY(rolled);
        QCOMPARE(rolled->noteType(), QStringLiteral("CheckList30"));
        QVERIFY(rolled->mnuRollUp->isChecked());
        QVERIFY(rolled->mnuOnTop->isChecked());
        QVERIFY(rolled->isTopmost());

        CheckListProt *hidden = checkListIn(f, 4);
        QVERIFY(hidden);
        QVERIFY(!hidden->isVisible());
        QCOMPARE(texts(hidden), QStringList({"unchecked only", ""}));

        QVERIFY(f.program->SaveNotes());
        QCOMPARE(f.readStore(), bytes);
        QVERIFY(f.prompts.unexpected().isEmpty());
    }

    void storeEditsAreSaved()
    {
        ProgramFixture f;
        f.writeStore(storeOf(checkListNote(
            "Edit me", "<data><item checked=\"False\">one</item><item checked=\"False\">two</item></data>")));
        f.start();
        CheckListProt *w = checkListIn(f, 1);
        QVERIFY(w);
        w->setChecked(2, true);
        w->focusRow(1);
        w->mnuLineDown->trigger();
        w->AddLine(QStringLiteral("three & <four>"), 0);
        QVERIFY(f.program->SaveNotes());
        const QByteArray saved = f.readStore();
        QVERIFY(saved.contains("<data><item checked=\"True\">two</item><item checked=\"False\">one</item>"
                               "<item checked=\"False\">three &amp; &lt;four&gt;</item></data>"));
        // Row 1 now carries the check mark, and the note's font its strike-through.
        QVERIFY(saved.contains("<strikethru>True</strikethru>"));
    }

    void emptyDataComesBackAsOneEmptyRow()
    {
        ProgramFixture f;
        f.writeStore(storeOf(checkListNote("Empty", "<data/>")));
        f.start();
        CheckListProt *w = checkListIn(f, 1);
        QVERIFY(w);
        QCOMPARE(w->ItemCount, 1);
        QCOMPARE(w->rowText(1), QString());
        QVERIFY(f.program->SaveNotes());
        // A check list always has a row, and is written with it.
        QCOMPARE(f.readStore(), storeOf(checkListNote("Empty", "<data><item checked=\"False\"/></data>")));
    }

    void newCheckListIsSavedAndLoadedBack()
    {
        QByteArray saved;
        {
            ProgramFixture f;
            f.start();
            CheckListProt *w = newList(f, QStringLiteral("Fresh"));
            QVERIFY(w);
            w->setRowText(1, QStringLiteral("first"));
            w->mnuAdd->trigger();
            w->setRowText(2, QStringLiteral("second"));
            w->setChecked(2, true);
            QVERIFY(f.program->SaveNotes());
            saved = f.readStore();
        }
        QVERIFY(saved.contains("<note type=\"CheckList\"><title>Fresh</title>"));
        ProgramFixture g;
        g.writeStore(saved);
        g.start();
        CheckListProt *w = checkListIn(g, 1);
        QVERIFY(w);
        QCOMPARE(texts(w), QStringList({"first", "second"}));
        QCOMPARE(checks(w), QList<bool>({false, true}));
        QVERIFY(g.program->SaveNotes());
        QCOMPARE(g.readStore(), saved);
    }
};

QTEST_MAIN(TestCheckListProc)
#include "tst_checklistproc.moc"
#include "platform/ModalScope.h"
