// The store written a moment after each change: through the real note windows,
// offscreen, with the real timers and the real file.
#include "app/Program.h"
#include "app/QuickSave.h"
#include "checklists/CheckListProc.h"
#include "checklists/CheckListProt.h"
#include "checklists/CheckListRows.h"
#include "core/store/StoreStreamReader.h"
#include "core/store/StoreWriter.h"
#include "notes/NoteProc.h"
#include "notes/TextNoteProt.h"
#include "panel/NCP.h"
#include "support/FailingSaveFile.h"
#include "support/ProgramFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QtTest>

using namespace pellux;
using namespace pellux::test;

namespace {

TextNoteProt *newNote(ProgramFixture &f, const QString &title)
{
    ncp(*f.program).chkDynamicTitle->setChecked(false);
    f.prompts.answerInput(title);
    QString t;
    if (!NoteProc::NewTextNote(*f.program, t))
        return nullptr;
    QApplication::processEvents();
    return qobject_cast<TextNoteProt *>(f.program->note(f.program->upperBound()));
}

QList<StoredNote> storedNotes(const ProgramFixture &f)
{
    const StoreReadResult read = ReadNoteStore(f.readStore(), PixelScale{15, 15}, NoteDefaults{});
    return read.ok ? read.notes : QList<StoredNote>{};
}

QString storedText(const ProgramFixture &f, const QString &title)
{
    for (const StoredNote &n : storedNotes(f)) {
        if (n.title == title)
            return n.text;
    }
    return QStringLiteral("<none>");
}

QByteArray storeOf(int count)
{
    QList<StoredNote> notes;
    for (int i = 1; i <= count; ++i) {
        StoredNote n;
        n.type = QStringLiteral("TextNote");
        n.title = QStringLiteral("Note %1").arg(i);
        n.nid = QStringLiteral("HOST:10122026:103000:%1").arg(i, 3, 10, QLatin1Char('0'));
        n.left = 1500;
        n.top = 1500;
        n.width = 3000;
        n.height = 2350;
        n.visible = true;
        n.text = QStringLiteral("Text %1").arg(i);
        notes.append(n);
    }
    return WriteNoteStore(notes, PixelScale{15, 15});
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class tst_QuickSave : public QObject
{
    Q_OBJECT

private slots:
    void typedTextReachesTheStoreWithinSeconds();
    void steadyTypingWritesAtMostEveryTwoSeconds();
    void idleNotesAreNeverWritten();
    void changesOfEveryKindAreWritten_data();
    void changesOfEveryKindAreWritten();
    void aFailedWriteTellsOnceAndRetriesOnTheNextChange();
    void unloadingNotesWritesNothing();
    void aFullSaveTakesOverWhatWaits();
};

void tst_QuickSave::typedTextReachesTheStoreWithinSeconds()
{
    ProgramFixture f;
    f.writeStore(storeOf(3));
    f.start();
    const QByteArray backupBefore = fileBytes(f.dataFolder() + QStringLiteral("Pellux.Backup.NoteData"));
    auto *w = qobject_cast<TextNoteProt *>(f.program->note(2));
    QVERIFY(w);
    w->TxtData->setFocus();
    w->TxtData->moveCursor(QTextCursor::End);

    QElapsedTimer clock;
    clock.start();
    QTest::keyClicks(w->TxtData, QStringLiteral(" and more"));
    QTRY_COMPARE_WITH_TIMEOUT(storedText(f, QStringLiteral("Note 2")), QStringLiteral("Text 2 and more"), 2500);
    QVERIFY2(clock.elapsed() <= 2500, qPrintable(QString::number(clock.elapsed())));
    // The other notes are written as they stand, and the backup is not touched (only the
    // full saves turn the old store into the backup).
    QCOMPARE(storedNotes(f).size(), 3);
    QCOMPARE(storedText(f, QStringLiteral("Note 3")), QStringLiteral("Text 3"));
    QCOMPARE(fileBytes(f.dataFolder() + QStringLiteral("Pellux.Backup.NoteData")), backupBefore);
    QVERIFY(f.prompts.asked().isEmpty());
}

void tst_QuickSave::steadyTypingWritesAtMostEveryTwoSeconds()
{
    ProgramFixture f;
    f.start();
    TextNoteProt *w = newNote(f, QStringLiteral("Diary"));
    QVERIFY(w);
    QuickSave &quick = f.program->quickSave();
    QTRY_VERIFY(!quick.isPending());
    quick.waitForWriter();
    QApplication::processEvents();
    const int before = quick.writesDone();

    // Ten seconds of typing, a key every 100 ms.
    w->TxtData->setFocus();
    QString typed;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 10000) {
        const QChar c = QLatin1Char(char('a' + typed.size() % 26));
        typed += c;
        QTest::keyClick(w->TxtData, c.toLatin1());
        QTest::qWait(100);
    }
    QTRY_VERIFY_WITH_TIMEOUT(!quick.isPending() && !quick.isDirty(), 3000);
    quick.waitForWriter();
    QApplication::processEvents();
    const int writes = quick.writesDone() - before;
    QVERIFY2(writes <= 6, qPrintable(QString::number(writes)));
    // And typing does get written along the way, not only at the end.
    QVERIFY2(writes >= 4, qPrintable(QString::number(writes)));
    QCOMPARE(storedText(f, QStringLiteral("Diary")), typed);
}

void tst_QuickSave::idleNotesAreNeverWritten()
{
    ProgramFixture f;
    f.writeStore(storeOf(100));
    f.start();
    const QFileInfo before(f.storePath());
    QuickSave &quick = f.program->quickSave();
    QVERIFY(!quick.isPending());
    QTest::qWait(2500);
    QVERIFY(!quick.isPending());
    QCOMPARE(quick.writesDone(), 0);
    QCOMPARE(QFileInfo(f.storePath()).lastModified(), before.lastModified());
}

void tst_QuickSave::changesOfEveryKindAreWritten_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("text") << QStringLiteral("text");
    QTest::newRow("title") << QStringLiteral("title");
    QTest::newRow("on top") << QStringLiteral("ontop");
    QTest::newRow("hidden") << QStringLiteral("hidden");
    QTest::newRow("moved") << QStringLiteral("moved");
    QTest::newRow("style") << QStringLiteral("style");
    QTest::newRow("alarm") << QStringLiteral("alarm");
    QTest::newRow("deleted") << QStringLiteral("deleted");
    QTest::newRow("check list row ticked") << QStringLiteral("ticked");
    QTest::newRow("check list row typed") << QStringLiteral("row");
}

void tst_QuickSave::changesOfEveryKindAreWritten()
{
    QFETCH(QString, change);
    ProgramFixture f;
    f.writeStore(storeOf(2));
    f.start();
    Program &p = *f.program;
    QuickSave &quick = p.quickSave();
    CheckListProt *list = nullptr;
    if (change == QLatin1String("ticked") || change == QLatin1String("row")) {
        f.prompts.answerInput(QStringLiteral("Shopping"));
        QString title;
        QVERIFY(CheckListProc::NewCheckList(p, title));
        list = qobject_cast<CheckListProt *>(p.note(p.upperBound()));
        QVERIFY(list);
        QTRY_VERIFY(!quick.isPending());
        quick.waitForWriter();
    }
    NoteWindow *w = p.note(1);
    const int before = quick.writesDone();

    if (change == QLatin1String("text"))
        QTest::keyClicks(qobject_cast<TextNoteProt *>(w)->TxtData, QStringLiteral("x"));
    else if (change == QLatin1String("title"))
        p.notes().retitle(1, QStringLiteral("Renamed"));
    else if (change == QLatin1String("ontop"))
        w->mnuOnTop->trigger();
    else if (change == QLatin1String("hidden"))
        w->HideNote();
    else if (change == QLatin1String("moved"))
        w->Move(4500, 3000);
    else if (change == QLatin1String("style")) {
        NoteStyle s = w->noteStyle();
        s.bold = !s.bold;
        w->setNoteStyle(s);
    } else if (change == QLatin1String("alarm")) {
        AlarmRecord a;
        a.Enabled = true;
        a.AlarmTime = QTime(9, 15);
        p.CurrentAlarm = a;
        w->SetAlarmData();
    } else if (change == QLatin1String("deleted"))
        p.unloadNote(2);
    else if (change == QLatin1String("ticked"))
        list->chkItem(1)->click();
    else if (change == QLatin1String("row"))
        QTest::keyClicks(list->txtItem(1), QStringLiteral("Milk"));

    QVERIFY(quick.isDirty());
    const auto written = [&] {
        const QList<StoredNote> notes = storedNotes(f);
        if (notes.isEmpty())
            return false;
        const StoredNote &first = notes.first();
        if (change == QLatin1String("text"))
            return first.text == QStringLiteral("xText 1");
        if (change == QLatin1String("title"))
            return first.title == QStringLiteral("Renamed");
        if (change == QLatin1String("ontop"))
            return first.ontop;
        if (change == QLatin1String("hidden"))
            return !first.visible;
        if (change == QLatin1String("moved"))
            return QPoint(first.left.value_or(0), first.top.value_or(0)) == QPoint(4500, 3000);
        if (change == QLatin1String("style"))
            return first.style.bold == !NoteStyle{}.bold;
        if (change == QLatin1String("alarm"))
            return first.alarm.Enabled;
        if (change == QLatin1String("deleted"))
            return notes.size() == 1;
        if (change == QLatin1String("ticked"))
            return notes.last().rows.value(0).checked;
        return notes.last().rows.value(0).text == QStringLiteral("Milk");
    };
    QTRY_VERIFY_WITH_TIMEOUT(written(), 2500);
    QVERIFY(quick.writesDone() >= before);
    QVERIFY(f.prompts.unexpected().isEmpty());
}

void tst_QuickSave::aFailedWriteTellsOnceAndRetriesOnTheNextChange()
{
    ProgramFixture f;
    f.writeStore(storeOf(1));
    f.start();
    const QByteArray old = f.readStore();
    Program &p = *f.program;
    bool diskFull = true;
    p.saveFileFactory = [&diskFull](const QString &path) -> std::unique_ptr<QSaveFile> {
        if (diskFull)
            return std::make_unique<FailingSaveFile>(path, 100);
        return std::make_unique<QSaveFile>(path);
    };
    QuickSave &quick = p.quickSave();
    auto *w = qobject_cast<TextNoteProt *>(p.note(1));

    for (int round = 1; round <= 3; ++round) {
        const int before = quick.writesDone();
        QTest::keyClicks(w->TxtData, QStringLiteral("a"));
        QTRY_VERIFY_WITH_TIMEOUT(quick.writesDone() > before, 3000);
        QCOMPARE(f.readStore(), old);
        QVERIFY(quick.isDirty());
        // Nothing runs on its own while the disk stays full.
        QVERIFY(!quick.isPending());
    }
    QCOMPARE(f.prompts.asked().size(), 1);
    QCOMPARE(f.prompts.last().icon, MsgIcon::Exclamation);
    QVERIFY2(f.prompts.last().text.startsWith(QStringLiteral("Pellux could not save your latest changes to")),
             qPrintable(f.prompts.last().text));
    QVERIFY(f.prompts.last().text.contains(QStringLiteral("No space left on device")));

    // Room again: the next change writes everything typed meanwhile.
    diskFull = false;
    QTest::keyClicks(w->TxtData, QStringLiteral("b"));
    QTRY_COMPARE_WITH_TIMEOUT(storedText(f, QStringLiteral("Note 1")), QStringLiteral("aaabText 1"), 3000);
    QTRY_VERIFY(quick.lastError().isEmpty());
    QCOMPARE(f.prompts.asked().size(), 1);
}

void tst_QuickSave::unloadingNotesWritesNothing()
{
    ProgramFixture f;
    f.writeStore(storeOf(5));
    f.start();
    const QByteArray old = f.readStore();
    Program &p = *f.program;
    QTest::keyClicks(qobject_cast<TextNoteProt *>(p.note(1))->TxtData, QStringLiteral("a"));
    QVERIFY(p.quickSave().isPending());
    p.UnloadNotes();
    QTest::qWait(2500);
    QCOMPARE(p.quickSave().writesDone(), 0);
    QCOMPARE(f.readStore(), old);
}

void tst_QuickSave::aFullSaveTakesOverWhatWaits()
{
    ProgramFixture f;
    f.writeStore(storeOf(2));
    f.start();
    Program &p = *f.program;
    QuickSave &quick = p.quickSave();
    QTest::keyClicks(qobject_cast<TextNoteProt *>(p.note(1))->TxtData, QStringLiteral("a"));
    QVERIFY(quick.isPending());
    QVERIFY(p.SaveNotes());
    QVERIFY(!quick.isDirty());
    QVERIFY(!quick.isPending());
    QCOMPARE(storedText(f, QStringLiteral("Note 1")), QStringLiteral("aText 1"));
    QTest::qWait(1500);
    QCOMPARE(quick.writesDone(), 0);
}

QTEST_MAIN(tst_QuickSave)
#include "tst_quicksave.moc"
