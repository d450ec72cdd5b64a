// The panel's lifecycle: loading with its tray icon, sizing, minimising to the
// tray or the taskbar, maximising back, the exit question, the three timers and
// the tray icon's events.

#include "panel/FakeTrayControl.h"
#include "panel/PanelTestSupport.h"

#include "app/FlashMsg.h"
#include "notes/TextNoteProt.h"
#include "panel/frmPelluxMenu.h"

#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QSaveFile>
#include <QStatusBar>
#include <QTabWidget>
#include <QtTest>


using namespace pellux;
using namespace pellux::test;

namespace {

const QString kExitQuestion = QStringLiteral("Are you sure you want to exit Pellux now?");
const QString kTitlePrompt = QStringLiteral("What do you want for the title of this note?");

/// A note window that counts its repaints (the window check's refresh after a screen saver or a lock).
class CountingNote : public NoteWindow
{
public:
    using NoteWindow::NoteWindow;
    int refreshes = 0;
    void UpdateSettings() override {}
    void NoteUnroll() override {}
    void NoteRoll() override {}
    void CheckClipboard() override {}
    void RefreshDisplay() override { ++refreshes; }
    void UpdateMenus() override {}
    void setNoteStyle(const NoteStyle &) override {}
    void fillStoredData(StoredNote &) const override {}
};

CountingNote *addCountingNote(Program &program, bool visible)
{
    auto *w = new CountingNote(program);
    const int slot = program.growNotes();
    program.placeNote(slot, w);
    w->NoteNum = qint16(slot);
    w->setVisible(visible);
    return w;
}

/// Counts how often the status banner comes up.
class FlashWatcher : public QObject
{
public:
    int shown = 0;
    QStringList texts;
    FlashWatcher() { qApp->installEventFilter(this); }
    ~FlashWatcher() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched->objectName() == QLatin1String("FlashMsg")) {
            ++shown;
            if (auto *label = watched->findChild<QLabel *>(QStringLiteral("Msgtxt")))
                texts << label->text();
        }
        return false;
    }
};

void settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

int noteCount(Program &program)
{
    int n = 0;
    for (int i = 1; i <= program.upperBound(); ++i)
        n += program.note(i) ? 1 : 0;
    return n;
}

} // namespace

class TestLifecycle : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { flushDeletes(); }

    // ---- loading ---------------------------------------------------------------------

    void loadPutsTheIconInTheTray_data()
    {
        QTest::addColumn<QString>("storedTrayIcon");
        QTest::addColumn<bool>("inTray");
        QTest::newRow("no setting: icon on") << QString() << true;
        QTest::newRow("SystemTrayIcon 1") << QStringLiteral("1") << true;
        QTest::newRow("SystemTrayIcon 0") << QStringLiteral("0") << false;
    }
    void loadPutsTheIconInTheTray()
    {
        QFETCH(QString, storedTrayIcon);
        QFETCH(bool, inTray);
        QMap<QString, QString> settings;
        if (!storedTrayIcon.isNull())
            settings.insert(QStringLiteral("SystemTrayIcon"), storedTrayIcon);
        TrayProgramFixture f(settings);
        f.start();
        NCP &panel = ncp(*f.program);
        QVERIFY(f.tray);
        QCOMPARE(panel.tray().TrayNot.data(), static_cast<QObject *>(f.tray.data()));
        QCOMPARE(f.tray->parent(), static_cast<QObject *>(&panel));
        QCOMPARE(f.tray->tip, QStringLiteral("Single: Add A Pellux  |  Double: Control Panel  |  Right: Menu"));
        QVERIFY(!f.tray->icon.isNull());
        QCOMPARE(f.tray->inTray, inTray);
        // The icon is never put in the tray only to be taken out again.
        QCOMPARE(f.tray->inTrayWrites, inTray ? QList<bool>{true} : QList<bool>{});
        QVERIFY(panel.timers().tmrTrayCheck.isActive());
        QCOMPARE(panel.Stats->currentMessage(), panel.defaultStatusText());
        QVERIFY(f.prompts.unexpected().isEmpty());
    }

    void deletingThePanelRemovesTheIcon()
    {
        TrayProgramFixture f;
        f.start();
        QVERIFY(f.tray);
        f.program.reset();
        QVERIFY(!f.tray);
    }

    void runsWithoutTheTrayControl()
    {
        TrayProgramFixture f;
        f.withControl = false;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("no tray icon")));
        f.start();
        NCP &panel = ncp(*f.program);
        QVERIFY(!panel.tray().TrayNot);
        // The timers, the click handlers and the shutdown all cope with the missing icon.
        panel.timers().tmrTrayCheck_Timer();
        panel.timers().tmrWindowCheck_Timer();
        f.program->ShutDown();
        QCOMPARE(f.endedWith, 0);
    }

    void startsMinimisedFromTheStoredWindowState()
    {
        TrayProgramFixture f({{QStringLiteral("WindowState"), QStringLiteral("1")}});
        f.start();
        NCP &panel = ncp(*f.program);
        QVERIFY(panel.isMinimized());
        QCOMPARE(panel.windowTitle(), QStringLiteral("Pellux"));
        QCOMPARE(panel.WindowStateValue(), 1);
    }

    // ---- sizing -----------------------------------------------------------------------

    void firstShowCalibratesAndRemembersTheSize()
    {
        const QMap<QString, QString> home{{QStringLiteral("Top"), QStringLiteral("1500")},
                                          {QStringLiteral("Left"), QStringLiteral("3000")}};
        int high = 0;
        int wide = 0;
        QMap<QString, QString> saved = home;
        {
            TrayProgramFixture f(home);
            f.start();
            NCP &panel = ncp(*f.program);
            FlashWatcher flash;
            panel.show();
            settle();
            const int neededHigh = panel.SSTab1->height() + panel.Stats->sizeHint().height();
            QCOMPARE(panel.height(), neededHigh);
            QCOMPARE(panel.width(), panel.SSTab1->width());
            QCOMPARE(panel.pos(), QPoint(200, 100));
            QCOMPARE(panel.windowTitle(), QStringLiteral("Pellux: Note Control"));
            QVERIFY(flash.shown >= 1);
            QCOMPARE(flash.texts.first(), QStringLiteral("Setting Window Size...Please Wait"));
            QVERIFY(!f.program->flash().isShown());
            high = storedSetting(QStringLiteral("High")).toInt();
            wide = storedSetting(QStringLiteral("Wide")).toInt();
            QCOMPARE(high, neededHigh * 15);
            QCOMPARE(wide, panel.SSTab1->width() * 15);
            QCOMPARE(f.program->settings.High, high);
            QCOMPARE(f.program->settings.Wide, wide);
        }
        // The next start finds the size it saved: no loop, no banner.
        saved.insert(QStringLiteral("High"), QString::number(high));
        saved.insert(QStringLiteral("Wide"), QString::number(wide));
        TrayProgramFixture f(saved);
        f.start();
        NCP &panel = ncp(*f.program);
        FlashWatcher flash;
        panel.show();
        settle();
        QCOMPARE(flash.shown, 0);
        QCOMPARE(panel.height() * 15, high);
        QCOMPARE(panel.width() * 15, wide);
    }

    void restoringReturnsToTheHomePosition()
    {
        TrayProgramFixture f;
        f.start();
        NCP &panel = ncp(*f.program);
        panel.show();
        settle();
        const QPoint home = panel.pos();
        const QSize size = panel.size();
        panel.move(home + QPoint(40, 30));
        panel.showMaximized();
        settle();
        QVERIFY(!panel.isMaximized());
        QCOMPARE(panel.pos(), home);
        QCOMPARE(panel.size(), size);

        panel.move(home + QPoint(40, 30));
        panel.showMinimized();
        settle();
        ncp(*f.program).mnuPelluxControl();
        settle();
        QVERIFY(panel.isVisible());
        QVERIFY(!panel.isMinimized());
        QCOMPARE(panel.pos(), home);
        QCOMPARE(panel.windowTitle(), QStringLiteral("Pellux: Note Control"));
    }

    // ---- minimising ------------------------------------------------------------------

    void minimiseGoesToTheTrayOrTheTaskbar_data()
    {
        QTest::addColumn<int>("taskbarIcon");
        QTest::addColumn<int>("systemTrayIcon");
        QTest::addColumn<bool>("withControl");
        QTest::addColumn<bool>("notificationArea");
        QTest::addColumn<bool>("modal");
        QTest::addColumn<bool>("hidden");
        QTest::newRow("tray icon, no taskbar button: hidden") << 0 << 1 << true << true << false << true;
        QTest::newRow("taskbar button kept") << 1 << 1 << true << true << false << false;
        QTest::newRow("a modal dialog is up") << 0 << 1 << true << true << true << false;
        QTest::newRow("no tray control: taskbar") << 0 << 1 << false << true << false << false;
        QTest::newRow("no notification area: taskbar") << 0 << 1 << true << false << false << false;
        QTest::newRow("neither icon chosen: hidden") << 0 << 0 << true << true << false << true;
    }
    void minimiseGoesToTheTrayOrTheTaskbar()
    {
        QFETCH(int, taskbarIcon);
        QFETCH(int, systemTrayIcon);
        QFETCH(bool, withControl);
        QFETCH(bool, notificationArea);
        QFETCH(bool, modal);
        QFETCH(bool, hidden);
        TrayProgramFixture f({{QStringLiteral("TaskbarIcon"), QString::number(taskbarIcon)},
                              {QStringLiteral("SystemTrayIcon"), QString::number(systemTrayIcon)}});
        f.withControl = withControl;
        f.notificationArea = notificationArea;
        if (!withControl)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("no tray icon")));
        f.start();
        NCP &panel = ncp(*f.program);
        panel.show();
        settle();
        std::optional<ModalScope> dialog;
        if (modal)
            dialog.emplace(f.program->modal());
        panel.showMinimized();
        settle();
        QCOMPARE(panel.windowTitle(), QStringLiteral("Pellux"));
        QVERIFY(panel.isMinimized());
        QCOMPARE(panel.isHidden(), hidden);
        dialog.reset();

        // The way back: the panel comes up normal, wherever it went.
        panel.mnuPelluxControl();
        settle();
        QVERIFY(panel.isVisible());
        QVERIFY(!panel.isMinimized());
    }

    // ---- closing ----------------------------------------------------------------------

    void closeBoxAsksBeforeExiting_data()
    {
        QTest::addColumn<MsgResult>("answer");
        QTest::addColumn<bool>("ended");
        QTest::newRow("Yes ends") << MsgResult::Yes << true;
        QTest::newRow("No cancels") << MsgResult::No << false;
    }
    void closeBoxAsksBeforeExiting()
    {
        QFETCH(MsgResult, answer);
        QFETCH(bool, ended);
        TrayProgramFixture f;
        f.start();
        NCP &panel = ncp(*f.program);
        panel.show();
        settle();
        f.prompts.answerMessage(answer);
        panel.close();
        QCOMPARE(f.prompts.asked().size(), 1);
        QCOMPARE(f.prompts.last().text, kExitQuestion);
        QCOMPARE(f.prompts.last().title, QStringLiteral("Pellux"));
        QCOMPARE(f.prompts.last().buttons, MsgButtons::YesNo);
        QCOMPARE(f.endedWith, ended ? 0 : -1);
        QCOMPARE(panel.isVisible(), !ended);
        QVERIFY(!f.program->modal().active());
        if (ended)
            QCOMPARE(f.tray->inTray, false);
    }

    void exitFromTheMenuAsksNothing_data()
    {
        QTest::addColumn<bool>("inTray");
        QTest::newRow("panel shown") << false;
        QTest::newRow("panel in the tray") << true;
    }

    void exitFromTheMenuAsksNothing()
    {
        QFETCH(bool, inTray);
        TrayProgramFixture f;
        f.start();
        NCP &panel = ncp(*f.program);
        panel.show();
        settle();
        if (inTray) {
            panel.showMinimized();
            settle();
            QVERIFY(panel.isHidden());
        }
        // As a user exits: a click on "Exit" in the menu the tray icon popped up (the menu
        // is unloaded by the shutdown that its own click runs).
        emit f.tray->MouseClick(2);
        settle();
        QPointer<QMenu> menu = trayMenu(*f.program).popup();
        QVERIFY(menu->isVisible());
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(trayMenu(*f.program).mnuPelluxExit).center());
        settle();
        QVERIFY(f.prompts.asked().isEmpty());
        QCOMPARE(f.endedWith, 0);
    }

    void exitConfirmedWhileTheQuestionIsUpStands()
    {
        TrayProgramFixture f;
        f.start();
        NCP &panel = ncp(*f.program);
        panel.show();
        settle();
        // While the question is up, the control channel asks the program to exit.
        f.prompts.answerMessage(MsgResult::No);
        f.prompts.beforeAnswer = [&] {
            f.program->exitConfirmed = true;
            panel.close();
        };
        panel.close();
        QCOMPARE(f.prompts.asked().size(), 1);
        QCOMPARE(f.endedWith, 0);
    }

    // ---- auto-save ----------------------------------------------------------------------

    void autoSaveWritesEveryFewMinutes()
    {
        TrayProgramFixture f;
        startWith(f, {textNote(QStringLiteral("Kept"))});
        NCP &panel = ncp(*f.program);
        panel.show();
        settle();
        QCOMPARE(f.program->settings.AutoSave, 5);
        // Every file the store write opens records the caption of that moment.
        QSet<QString> captions;
        int files = 0;
        f.program->saveFileFactory = [&](const QString &path) {
            captions << panel.windowTitle();
            ++files;
            return std::make_unique<QSaveFile>(path);
        };
        QList<int> savedOnTick;
        for (int tick = 1; tick <= 12; ++tick) {
            const int before = files;
            panel.timers().tmrAutoSave_Timer();
            if (files > before)
                savedOnTick << tick;
            QCOMPARE(panel.windowTitle(), QStringLiteral("Pellux: Note Control"));
        }
        QCOMPARE(savedOnTick, (QList<int>{5, 10}));
        QCOMPARE(captions, QSet<QString>{QStringLiteral("(AutoSaving)")});
        QCOMPARE(panel.timers().autoSaveCounter(), 2);
        QVERIFY(f.readStore().contains("Kept"));
    }

    void autoSaveOffWritesNothing_data()
    {
        QTest::addColumn<int>("minutes");
        QTest::newRow("0") << 0;
        QTest::newRow("negative") << -3;
    }
    void autoSaveOffWritesNothing()
    {
        QFETCH(int, minutes);
        TrayProgramFixture f;
        f.start();
        NCP &panel = ncp(*f.program);
        f.program->settings.AutoSave = minutes;
        int saves = 0;
        f.program->saveFileFactory = [&](const QString &path) {
            ++saves;
            return std::make_unique<QSaveFile>(path);
        };
        for (int tick = 0; tick < 20; ++tick)
            panel.timers().tmrAutoSave_Timer();
        QCOMPARE(saves, 0);
        QCOMPARE(panel.timers().autoSaveCounter(), 0);
    }

    void autoSaveKeepsTheMinimisedCaption()
    {
        TrayProgramFixture f({{QStringLiteral("TaskbarIcon"), QStringLiteral("1")},
                              {QStringLiteral("AutoSave"), QStringLiteral("1")}});
        f.start();
        NCP &panel = ncp(*f.program);
        panel.show();
        settle();
        panel.showMinimized();
        settle();
        panel.timers().tmrAutoSave_Timer();
        QCOMPARE(panel.windowTitle(), QStringLiteral("Pellux"));
    }

    void timersRunOnceTheStoreHasLoaded()
    {
        TrayProgramFixture f;
        f.program->LoadSettings();
        NCP &panel = ncp(*f.program);
        QVERIFY(!panel.timers().tmrAutoSave.isActive());
        QVERIFY(!panel.timers().tmrWindowCheck.isActive());
        f.program->LoadNotes();
        QVERIFY(panel.timers().tmrAutoSave.isActive());
        QVERIFY(panel.timers().tmrWindowCheck.isActive());
        QCOMPARE(panel.timers().tmrAutoSave.interval(), 60000);
        QCOMPARE(panel.timers().tmrWindowCheck.interval(), 100);
        QCOMPARE(panel.timers().tmrTrayCheck.interval(), 5000);
    }

    // ---- tray check ----------------------------------------------------------------------

    void trayCheckRefreshesAnIconThatIsIn()
    {
        TrayProgramFixture f;
        f.start();
        NCP &panel = ncp(*f.program);
        panel.timers().tmrTrayCheck_Timer();
        panel.timers().tmrTrayCheck_Timer();
        QCOMPARE(f.tray->refreshes, 2);
        f.tray->setProperty("InTray", false);
        panel.timers().tmrTrayCheck_Timer();
        QCOMPARE(f.tray->refreshes, 2);
    }

    // ---- window check ----------------------------------------------------------------------

    void alarmSweepRunsOncePerMinute()
    {
        TrayProgramFixture f;
        f.start();
        NCP &panel = ncp(*f.program);
        int sweeps = 0;
        panel.timers().setAlarmSweep([&sweeps] { ++sweeps; });
        f.clock.set(QDateTime(QDate(2026, 12, 10), QTime(10, 30, 0)));
        for (int i = 0; i < 10; ++i) {
            panel.timers().tmrWindowCheck_Timer();
            f.clock.advanceMs(100);
        }
        QCOMPARE(sweeps, 1);
        QCOMPARE(panel.timers().lastMinute(), 30);
        f.clock.set(QDateTime(QDate(2026, 12, 10), QTime(10, 30, 59, 900)));
        panel.timers().tmrWindowCheck_Timer();
        QCOMPARE(sweeps, 1);
        for (int i = 0; i < 600; ++i) {
            f.clock.advanceMs(100);
            panel.timers().tmrWindowCheck_Timer();
        }
        // A minute of ticks: 10:31 began during them.
        QCOMPARE(sweeps, 2);
        QCOMPARE(panel.timers().lastMinute(), 31);
        // The clock set back a few minutes is a change of minute too.
        f.clock.set(QDateTime(QDate(2026, 12, 10), QTime(10, 28, 0)));
        panel.timers().tmrWindowCheck_Timer();
        panel.timers().tmrWindowCheck_Timer();
        QCOMPARE(sweeps, 3);
    }

    void visibleNotesRepaintOnceAfterAScreenSaverOrALock_data()
    {
        QTest::addColumn<bool>("lock");
        QTest::addColumn<bool>("lockWatch");
        QTest::addColumn<int>("refreshes");
        QTest::newRow("screen saver") << false << true << 1;
        QTest::newRow("screen saver, no lock watch") << false << false << 1;
        QTest::newRow("lock") << true << true << 1;
        QTest::newRow("lock, no lock watch") << true << false << 0;
    }
    void visibleNotesRepaintOnceAfterAScreenSaverOrALock()
    {
        QFETCH(bool, lock);
        QFETCH(bool, lockWatch);
        QFETCH(int, refreshes);
        TrayProgramFixture f;
        f.start();
        f.program->IsWin2000Plus = lockWatch;
        NCP &panel = ncp(*f.program);
        CountingNote *shown = addCountingNote(*f.program, true);
        CountingNote *hidden = addCountingNote(*f.program, false);
        bool &state = lock ? f.system.locked : f.system.screenSaver;

        for (int i = 0; i < 5; ++i)
            panel.timers().tmrWindowCheck_Timer();
        state = true;
        for (int i = 0; i < 5; ++i)
            panel.timers().tmrWindowCheck_Timer();
        // Starting is no reason to repaint.
        QCOMPARE(shown->refreshes, 0);
        state = false;
        for (int i = 0; i < 20; ++i)
            panel.timers().tmrWindowCheck_Timer();
        QCOMPARE(shown->refreshes, refreshes);
        QCOMPARE(hidden->refreshes, 0);

        // A second time round repaints once more.
        state = true;
        panel.timers().tmrWindowCheck_Timer();
        state = false;
        panel.timers().tmrWindowCheck_Timer();
        panel.timers().tmrWindowCheck_Timer();
        QCOMPARE(shown->refreshes, 2 * refreshes);
    }

    void windowCheckRollsTheNoteInUse()
    {
        TrayProgramFixture f;
        startWith(f, {textNote(QStringLiteral("Rolling"))});
        auto *w = qobject_cast<TextNoteProt *>(f.program->note(1));
        QVERIFY(w);
        w->mnuRollUp->setChecked(true);
        w->show();
        settle();
        f.program->activeNote.slot = 1;
        f.program->activeNote.window = w;
        NCP &panel = ncp(*f.program);
        f.system.foreground = &panel;
        panel.timers().tmrWindowCheck_Timer();
        QVERIFY(w->NoteRolled);
        f.system.foreground = w;
        panel.timers().tmrWindowCheck_Timer();
        QVERIFY(!w->NoteRolled);
    }

    // ---- tray events ----------------------------------------------------------------------

    void leftClickAddsANoteWithTheTitlePrompt()
    {
        TrayProgramFixture f;
        f.start();
        NCP &panel = ncp(*f.program);
        panel.chkDynamicTitle->setChecked(false);
        f.prompts.answerInput(QStringLiteral("From the tray"));
        emit f.tray->MouseClick(1);
        settle();
        QCOMPARE(f.prompts.asked().size(), 1);
        QCOMPARE(f.prompts.last().text, kTitlePrompt);
        QCOMPARE(f.program->upperBound(), 1);
        QVERIFY(f.program->note(1));
        QCOMPARE(f.program->note(1)->Caption(), QStringLiteral("From the tray"));
        QCOMPARE(panel.listEntry(1), QStringLiteral("From the tray"));
        QCOMPARE(trayMenu(*f.program).mnuNoteList(1)->text(), QStringLiteral("From the tray"));
        QVERIFY(!f.program->modal().active());
        QVERIFY(f.prompts.unexpected().isEmpty());
    }

    void leftClickFromTheTrayLeavesThePanelInTheTray()
    {
        TrayProgramFixture f;
        f.start();
        NCP &panel = ncp(*f.program);
        panel.chkDynamicTitle->setChecked(false);
        panel.show();
        settle();
        panel.showMinimized();
        settle();
        QVERIFY(panel.isHidden());
        f.prompts.answerInput(QStringLiteral("Quick"));
        emit f.tray->MouseClick(1);
        settle();
        QCOMPARE(noteCount(*f.program), 1);
        QVERIFY(panel.isMinimized());
        QVERIFY(panel.isHidden());
    }

    void cancelledTitleAddsNothing()
    {
        TrayProgramFixture f;
        f.start();
        ncp(*f.program).chkDynamicTitle->setChecked(false);
        f.prompts.answerInput(QString());
        emit f.tray->MouseClick(1);
        settle();
        QCOMPARE(noteCount(*f.program), 0);
        QVERIFY(!f.program->modal().active());
    }

    void doubleClickOpensThePanelAndAddsNothing()
    {
        TrayProgramFixture f;
        f.start();
        NCP &panel = ncp(*f.program);
        panel.chkDynamicTitle->setChecked(false);
        panel.show();
        settle();
        panel.showMinimized();
        settle();
        QVERIFY(panel.isHidden());
        // The control raises no single click for a double click.
        emit f.tray->MouseDown(1);
        emit f.tray->MouseUp(1);
        emit f.tray->MouseDblClick(1);
        emit f.tray->MouseUp(1);
        settle();
        QVERIFY(panel.isVisible());
        QVERIFY(!panel.isMinimized());
        QCOMPARE(noteCount(*f.program), 0);
        QVERIFY(f.prompts.asked().isEmpty());
    }

    void rightClickPopsUpTheMenu()
    {
        TrayProgramFixture f;
        f.start();
        frmPelluxMenu &menu = trayMenu(*f.program);
        emit f.tray->MouseClick(2);
        settle();
        QVERIFY(menu.popup()->isVisible());
        QCOMPARE(menu.popup()->defaultAction(), menu.mnuPelluxAdd);
        menu.popup()->close();
    }

    void otherButtonsDoNothing()
    {
        TrayProgramFixture f;
        f.start();
        NCP &panel = ncp(*f.program);
        emit f.tray->MouseClick(4);
        emit f.tray->MouseDblClick(2);
        emit f.tray->MouseDblClick(4);
        settle();
        QVERIFY(!panel.isVisible());
        QVERIFY(!trayMenu(*f.program).popup()->isVisible());
        QVERIFY(f.prompts.asked().isEmpty());
    }

    void clicksWhileAModalDialogIsUpAreDropped()
    {
        TrayProgramFixture f;
        f.start();
        NCP &panel = ncp(*f.program);
        panel.chkDynamicTitle->setChecked(false);
        std::optional<ModalScope> dialog(std::in_place, f.program->modal());
        emit f.tray->MouseClick(1);
        emit f.tray->MouseClick(2);
        emit f.tray->MouseDblClick(1);
        settle();
        QVERIFY(f.prompts.asked().isEmpty());
        QCOMPARE(noteCount(*f.program), 0);
        QVERIFY(!panel.isVisible());
        QVERIFY(!trayMenu(*f.program).popup()->isVisible());
        // Dropped, not queued: nothing happens once the dialog is gone.
        dialog.reset();
        settle();
        QVERIFY(f.prompts.asked().isEmpty());
        QCOMPARE(noteCount(*f.program), 0);
    }

    void clicksDuringTheTitlePromptAreDropped()
    {
        TrayProgramFixture f;
        f.start();
        ncp(*f.program).chkDynamicTitle->setChecked(false);
        f.prompts.answerInput(QStringLiteral("Only one"));
        f.prompts.beforeAnswer = [&] { emit f.tray->MouseClick(1); };
        emit f.tray->MouseClick(1);
        settle();
        QCOMPARE(f.prompts.asked().size(), 1);
        QCOMPARE(noteCount(*f.program), 1);
    }
};

QTEST_MAIN(TestLifecycle)
#include "tst_lifecycle.moc"
#include "moc_FakeTrayControl.cpp"
#include "platform/ModalScope.h"
