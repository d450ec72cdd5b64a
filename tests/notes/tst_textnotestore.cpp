// Text notes through the note store: a store of varied text notes loads into windows in
// slot order and saves back byte for byte, in the program on test seams and in the real
// program; the rolled-up height, deleted slots and minimised notes as the writer sees them.
#include "core/NoteRecord.h"
#include "core/TextRules.h"
#include "app/Program.h"
#include "notes/TextNoteProt.h"
#include "panel/NCP.h"
#include "panel/frmPelluxMenu.h"
#include "support/ProgramFixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QMenuBar>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using namespace pellux;
using namespace pellux::test;

namespace {

QByteArray fixture()
{
    QFile f(QStringLiteral(PELLUX_FIXTURES "/textnotes/textnotes.NoteData"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TextNoteProt *textNote(ProgramFixture &f, int slot)
{
    return qobject_cast<TextNoteProt *>(f.program->note(slot));
}

/// The "height" the store holds for the note at \a position (1-based) in \a store.
QString storedHeight(const QByteArray &store, int position)
{
    static const QRegularExpression height(QStringLiteral("<height>([^<]*)</height>"));
    QRegularExpressionMatchIterator it = height.globalMatch(QString::fromUtf8(store));
    for (int i = 1; it.hasNext(); ++i) {
        const QRegularExpressionMatch m = it.next();
        if (i == position)
            return m.captured(1);
    }
    return QString();
}

QStringList storedTitles(const QByteArray &store)
{
    static const QRegularExpression title(QStringLiteral("<title>([^<]*)</title>"));
    QStringList out;
    QRegularExpressionMatchIterator it = title.globalMatch(QString::fromUtf8(store));
    while (it.hasNext())
        out << it.next().captured(1);
    return out;
}

/// A private profile for the real program: settings, data and runtime folders.
class Profile
{
public:
    Profile()
    {
        for (const char *d : {"config", "data/Brackwel Systems/Pellux", "runtime", "tmp", "work"})
            QDir().mkpath(m_dir.filePath(QLatin1String(d)));
        QFile::setPermissions(m_dir.filePath(QStringLiteral("runtime")),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        // This version has run before and the update check is months away: no question at start.
        const QString nextCheck = QDate::currentDate().addMonths(6).toString(QStringLiteral("M/d/yyyy"));
        QFile conf(m_dir.filePath(QStringLiteral("config/PelluxNotes.conf")));
        if (conf.open(QIODevice::WriteOnly))
            conf.write("[Settings]\nVersion=3.2  (Build 155)\nNextUpdateCheck=" + nextCheck.toLatin1() + "\n");
        // A screen that holds every note of the fixture: the offscreen default (800 x 600)
        // would leave some outside it, and those the program moves back onto the screen.
        QFile screens(m_dir.filePath(QStringLiteral("screens.json")));
        if (screens.open(QIODevice::WriteOnly))
            screens.write(R"({"screens":[{"name":"wide","x":0,"y":0,"width":1920,"height":1200,"logicalDpi":96,)"
                          R"("logicalBaseDpi":96,"dpr":1}]})");
    }

    QString storePath() const { return m_dir.filePath(QStringLiteral("data/Brackwel Systems/Pellux/Pellux.NoteData")); }
    QString socketPath() const { return m_dir.filePath(QStringLiteral("runtime/Pellux.Control")); }

    void start(QProcess &p) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.filePath(QStringLiteral("runtime")));
        env.insert(QStringLiteral("TMPDIR"), m_dir.filePath(QStringLiteral("tmp")));
        env.insert(QStringLiteral("LANG"), QStringLiteral("en_US.UTF-8"));
        env.remove(QStringLiteral("LC_ALL"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"),
                   QStringLiteral("offscreen:configfile=") + m_dir.filePath(QStringLiteral("screens.json")));
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(m_dir.filePath(QStringLiteral("work")));
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(QStringLiteral(PELLUX_BIN_DIR "/pellux"), QStringList());
    }

private:
    QTemporaryDir m_dir;
};

} // namespace

class TestTextNoteStore : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(!fixture().isEmpty(), "the text-note store fixture is missing");
    }

    void storeLoadsIntoWindowsInSlotOrder()
    {
        ProgramFixture f;
        f.writeStore(fixture());
        f.start();
        QVERIFY(f.prompts.asked().isEmpty());
        QCOMPARE(f.program->upperBound(), 8);

        const QStringList titles{
            QStringLiteral("Groceries & <more> \"now\""), QStringLiteral("Rolls up"),
            QStringLiteral("Hidden away"),  QStringLiteral("Call Bob..."),
            QStringLiteral("(Deleted)"),    QStringLiteral("Blank lines"),
            QStringLiteral("(Blank)"),      QString(64, QLatin1Char('x')) + QStringLiteral("...")};
        for (int slot = 1; slot <= 8; ++slot) {
            TextNoteProt *w = textNote(f, slot);
            QVERIFY2(w, qPrintable(QString::number(slot)));
            QCOMPARE(w->NoteNum, qint16(slot));
            QCOMPARE(w->Caption(), titles.at(slot - 1));
            QCOMPARE(ncp(*f.program).listEntry(slot), titles.at(slot - 1));
            QString menuText = titles.at(slot - 1);
            menuText.replace(QLatin1Char('&'), QLatin1String("&&"));
            QCOMPARE(trayMenu(*f.program).mnuNoteList(slot)->text(), menuText);
            QVERIFY(!w->mnuUndo->isEnabled());
        }

        // A multi-line text with markup characters and non-ASCII text, on top, with an alarm.
        TextNoteProt *groceries = textNote(f, 1);
        QCOMPARE(groceries->text(), QStringLiteral("Milk & eggs\r\n<bread> > 2 loaves\r\n\r\n\tKäse – Ærø 日本語 😀\r\n"
                                                  "no\u00A0break, \"quoted\" 'single'\r\n"));
        QCOMPARE(groceries->TxtData->document()->blockCount(), 6);
        QCOMPARE(groceries->noteType(), QStringLiteral("TextNote"));
        QCOMPARE(groceries->NoteGUID(), QStringLiteral("DESK:07032026:150409:25"));
        QVERIFY(groceries->mnuOnTop->isChecked());
        QVERIFY(groceries->isTopmost());
        QVERIFY(!groceries->mnuRollUp->isChecked());
        QVERIFY(!groceries->mnuDynamicTitle->isChecked());
        QVERIFY(groceries->mnuReTitle->isEnabled());
        QVERIFY(groceries->isVisible());
        QCOMPARE(QRect(groceries->Left(), groceries->Top(), groceries->Width(), groceries->Height()),
                 QRect(200 * 15, 100 * 15, 250 * 15, 180 * 15));
        QVERIFY(groceries->mnuAlarmSet->isChecked());
        groceries->GetAlarmData();
        QCOMPARE(f.program->CurrentAlarm.AlarmDate, QDate(2031, 6, 1));
        QCOMPARE(f.program->CurrentAlarm.AlarmTime, QTime(9, 30));
        QCOMPARE(f.program->CurrentAlarm.Sound, QStringLiteral("/home/user/alarm.wav"));
        NoteStyle style;
        style.fontName = QStringLiteral("DejaVu Serif");
        style.fontSize = 10.5f;
        style.bold = true;
        style.italic = true;
        style.foreColor = 0x003C2B1A;
        style.backColor = 0x0080FFFF;
        QCOMPARE(groceries->noteStyle(), style);
        QCOMPARE(groceries->TxtData->palette().color(QPalette::Text), QColor(0x1A, 0x2B, 0x3C));
        QCOMPARE(groceries->TxtData->font().pointSizeF(), 10.5);

        // Roll-up on. Showing the notes one after the other may have rolled it up already
        // (each shown window takes the focus from the one before); in use, it has its full height.
        TextNoteProt *rolls = textNote(f, 2);
        QVERIFY(rolls->mnuRollUp->isChecked());
        QVERIFY(!rolls->isTopmost());
        QApplication::setActiveWindow(rolls);
        QApplication::processEvents();
        QVERIFY(!rolls->NoteRolled);
        QCOMPARE(rolls->Height(), 240 * 15);

        // Hidden, on top and rolling, with a repeating alarm that is off.
        TextNoteProt *hidden = textNote(f, 3);
        QVERIFY(!hidden->isVisible());
        QVERIFY(hidden->isTopmost());
        QVERIFY(hidden->mnuRollUp->isChecked());
        QCOMPARE(hidden->Height(), 400 * 15);
        QVERIFY(!hidden->mnuAlarmSet->isChecked());
        QVERIFY(hidden->noteStyle().underline && hidden->noteStyle().strikethru);
        QCOMPARE(hidden->noteStyle().backColor, 0x00800000);

        // Dynamic titles are computed from the text.
        QVERIFY(textNote(f, 4)->mnuDynamicTitle->isChecked());
        QVERIFY(!textNote(f, 4)->mnuReTitle->isEnabled());
        QVERIFY(textNote(f, 7)->mnuDynamicTitle->isChecked());
        QVERIFY(textNote(f, 7)->text().isEmpty());

        // A note titled "(Deleted)" is a note like any other, and keeps its older type.
        TextNoteProt *lookalike = textNote(f, 5);
        QCOMPARE(lookalike->noteType(), QStringLiteral("TextNote30"));
        QCOMPARE(lookalike->text(), QStringLiteral("A note that only looks deleted."));
        QCOMPARE(f.program->FindNoteByGUID(QStringLiteral("OLD:01012004:080000:00")), qint16(5));

        // A text of line breaks alone.
        QCOMPARE(textNote(f, 6)->text(), QStringLiteral("\r\n\r\n"));
        QCOMPARE(textNote(f, 6)->noteStyle().fontSize, 15.75f);
    }

    void storeSavesBackByteForByte_data()
    {
        QTest::addColumn<int>("twipsPerPixel");
        QTest::newRow("96 dpi") << 15;
        QTest::newRow("120 dpi") << 12;
    }

    void storeSavesBackByteForByte()
    {
        QFETCH(int, twipsPerPixel);
        ProgramFixture f;
        f.screen.tppX = twipsPerPixel;
        f.screen.tppY = twipsPerPixel;
        f.writeStore(fixture());
        f.start();
        QApplication::processEvents();
        // Pixels in the store, twips in the window.
        TextNoteProt *groceries = textNote(f, 1);
        QCOMPARE(QRect(groceries->Left(), groceries->Top(), groceries->Width(), groceries->Height()),
                 QRect(200 * twipsPerPixel, 100 * twipsPerPixel, 250 * twipsPerPixel, 180 * twipsPerPixel));
        QCOMPARE(groceries->geometry().size(), QSize(250, 180));
        QVERIFY(f.program->SaveNotes());
        QCOMPARE(f.readStore(), fixture());

        // And again after a round of activations, which rolls the rolling notes up.
        QWidget other;
        for (int slot : {1, 2, 8}) {
            QApplication::setActiveWindow(f.program->note(slot));
            QApplication::processEvents();
        }
        QApplication::setActiveWindow(&other);
        QApplication::processEvents();
        QVERIFY(textNote(f, 2)->NoteRolled);
        QVERIFY(textNote(f, 2)->Height() < 240 * 15);
        QVERIFY(f.program->SaveNotes());
        QCOMPARE(f.readStore(), fixture());
        QVERIFY(f.prompts.unexpected().isEmpty());
    }

    void rolledUpHeightAsTheWriterSeesIt()
    {
        ProgramFixture f;
        f.writeStore(fixture());
        f.start();
        // The hidden note rolls up but has never been in use, so it has never rolled up.
        TextNoteProt *w = textNote(f, 3);
        QVERIFY(w->mnuRollUp->isChecked());
        QVERIFY(!w->NoteRolled);
        QCOMPARE(w->NoteHeight, 0);

        // Loaded with roll-up on and not rolled up since: its own height, never the 0 of no saved height.
        QVERIFY(f.program->SaveNotes());
        QCOMPARE(storedHeight(f.readStore(), 3), QStringLiteral("400"));
        w->setHeight(260 * 15);
        QVERIFY(f.program->SaveNotes());
        QCOMPARE(storedHeight(f.readStore(), 3), QStringLiteral("260"));

        // Rolled up: the height it will come back to.
        w->NoteRoll();
        QVERIFY(w->NoteRolled);
        QVERIFY(w->Height() < 260 * 15);
        QVERIFY(f.program->SaveNotes());
        QCOMPARE(storedHeight(f.readStore(), 3), QStringLiteral("260"));

        // Unrolled and made taller: the new height, not the one saved when it rolled up.
        w->NoteUnroll();
        QCOMPARE(w->Height(), 260 * 15);
        w->setHeight(300 * 15);
        QVERIFY(f.program->SaveNotes());
        QCOMPARE(storedHeight(f.readStore(), 3), QStringLiteral("300"));

        // A visible note rolled up in use, the same.
        TextNoteProt *shown = textNote(f, 2);
        QApplication::setActiveWindow(shown);
        QApplication::processEvents();
        shown->NoteRoll();
        QCOMPARE(shown->height(), shown->findChild<QMenuBar *>()->height());
        QVERIFY(f.program->SaveNotes());
        QCOMPARE(storedHeight(f.readStore(), 2), QStringLiteral("240"));

        // A note without roll-up writes its height as it is.
        QCOMPARE(storedHeight(f.readStore(), 1), QStringLiteral("180"));
    }

    void deletedSlotIsLeftOutButADeletedTitleIsNot()
    {
        ProgramFixture f;
        f.writeStore(fixture());
        f.start();
        f.program->hub().DelNote(2, true);
        QCOMPARE(f.program->note(2), nullptr);
        QCOMPARE(ncp(*f.program).listEntry(2), QStringLiteral("(Deleted)"));
        QVERIFY(f.program->SaveNotes());
        const QByteArray saved = f.readStore();
        QCOMPARE(storedTitles(saved),
                 QStringList({QStringLiteral("Groceries &amp; &lt;more&gt; &quot;now&quot;"),
                              QStringLiteral("Hidden away"), QStringLiteral("Call Bob..."),
                              QStringLiteral("(Deleted)"), QStringLiteral("Blank lines"), QStringLiteral("(Blank)"),
                              QString(64, QLatin1Char('x')) + QStringLiteral("...")}));

        // Loaded again, the notes are renumbered in list order.
        ProgramFixture again;
        again.writeStore(saved);
        again.start();
        QCOMPARE(again.program->upperBound(), 7);
        QCOMPARE(textNote(again, 2)->Caption(), QStringLiteral("Hidden away"));
        QCOMPARE(textNote(again, 4)->Caption(), QStringLiteral("(Deleted)"));
        QCOMPARE(textNote(again, 4)->NoteNum, qint16(4));
        again.program->SaveNotes();
        QCOMPARE(again.readStore(), saved);
    }

    void unloadThenLoadAgain()
    {
        ProgramFixture f;
        f.writeStore(fixture());
        f.start();
        QPointer<NoteWindow> first = f.program->note(1);
        f.program->hub().DelNote(2, true);
        f.program->UnloadNotes();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(first.isNull());
        QCOMPARE(f.program->upperBound(), 0);
        QCOMPARE(ncp(*f.program).NoteList->count(), 0);
        QCOMPARE(trayMenu(*f.program).mnuNoteList(1), nullptr);
        f.program->RefreshNotes();
        f.program->CheckRollUp();

        // The store on disk still holds all eight.
        f.program->LoadNotes();
        QCOMPARE(f.program->upperBound(), 8);
        QCOMPARE(textNote(f, 2)->Caption(), QStringLiteral("Rolls up"));
        QVERIFY(f.program->SaveNotes());
        QCOMPARE(f.readStore(), fixture());
    }

    void minimisedNoteIsRestoredBySaving()
    {
        ProgramFixture f;
        f.writeStore(fixture());
        f.start();
        TextNoteProt *w = textNote(f, 1);
        w->setWindowStateValue(1);
        QCOMPARE(w->WindowState(), 1);
        QVERIFY(f.program->SaveNotes());
        QCOMPARE(w->WindowState(), 0);
        QCOMPARE(f.readStore(), fixture());
    }

    void staleDynamicTitleIsComputedAtLoad()
    {
        QByteArray store = fixture();
        store.replace("<title>Call Bob...</title>", "<title>Old title</title>");
        ProgramFixture f;
        f.writeStore(store);
        f.start();
        QCOMPARE(textNote(f, 4)->Caption(), QStringLiteral("Call Bob..."));
        QCOMPARE(ncp(*f.program).listEntry(4), QStringLiteral("Call Bob..."));
        QCOMPARE(trayMenu(*f.program).mnuNoteList(4)->text(), QStringLiteral("Call Bob..."));
        QVERIFY(f.program->SaveNotes());
        QCOMPARE(f.readStore(), fixture());
    }

    void editedNotesSaveWhatTheWindowsShow()
    {
        ProgramFixture f;
        f.writeStore(fixture());
        f.start();
        TextNoteProt *w = textNote(f, 4);
        w->TxtData->moveCursor(QTextCursor::Start);
        w->TxtData->insertPlainText(QStringLiteral("Now: "));
        QCOMPARE(w->Caption(), QStringLiteral("Now: Call Bob..."));
        w->mnuOnTop->trigger();
        w->Move(15 * 33, 15 * 44);
        QVERIFY(f.program->SaveNotes());
        const QString saved = QString::fromUtf8(f.readStore());
        QVERIFY(saved.contains(QStringLiteral("<title>Now: Call Bob...</title><nid>DESK:07032026:150412:03</nid>"
                                              "<top>44</top><left>33</left><width>180</width><height>150</height>"
                                              "<visible>True</visible><rollup>False</rollup><ontop>True</ontop>")));
        QVERIFY(saved.contains(QStringLiteral("<data>Now: Call Bob\r\nabout the car</data>")));
    }

    void terminationDuringStartUpEndsTheProcess()
    {
        ProgramFixture f;
        f.writeStore(fixture());
        // SIGTERM arriving just after the store has loaded, before the event loop runs.
        QObject::connect(f.program.get(), &Program::notesLoaded, f.program.get(), [&f] {
            QMetaObject::invokeMethod(f.program.get(), [&f] { f.program->TerminateRequested(); },
                                      Qt::QueuedConnection);
        });
        const std::optional<int> code = f.program->Main(QStringList());
        QCOMPARE(code, std::optional<int>(0));
        QCOMPARE(f.endedWith, 0);
        QCOMPARE(f.readStore(), fixture());
        QVERIFY(!f.program->hasPanel() || !ncp(*f.program).isVisible());
    }

    void realProgramLeavesTheStoreUnchanged()
    {
        if (!QFileInfo::exists(QStringLiteral(PELLUX_BIN_DIR "/pellux")))
            QSKIP("the pellux program is not built");
        Profile profile;
        {
            QFile store(profile.storePath());
            QVERIFY(store.open(QIODevice::WriteOnly));
            QCOMPARE(store.write(fixture()), qint64(fixture().size()));
        }

        QProcess p;
        profile.start(p);
        QVERIFY(p.waitForStarted(10000));
        // The control socket opens once the store has loaded.
        QVERIFY(QTest::qWaitFor(
            [&] { return QFileInfo::exists(profile.socketPath()) || p.state() == QProcess::NotRunning; }, 30000));
        QVERIFY2(QFileInfo::exists(profile.socketPath()), "the program ended before its store had loaded");

        ::kill(pid_t(p.processId()), SIGTERM);
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);

        QFile store(profile.storePath());
        QVERIFY(store.open(QIODevice::ReadOnly));
        QCOMPARE(store.readAll(), fixture());
    }
};

QTEST_MAIN(TestTextNoteStore)
#include "tst_textnotestore.moc"
