// The alarm rule and its description line; the once-a-minute sweep from the panel's
// window check; the alarm window, its sound and its notification; and how a sweep
// that meets an open dialog waits for it without holding it open.
#include "alarms/AlarmTestSupport.h"

#include "app/Commands.h"
#include "app/NoteWindow.h"
#include "core/AlarmRules.h"
#include "panel/NCP.h"
#include "panel/PanelFeature.h"
#include "panel/PanelTimers.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

using namespace pellux;
using namespace pellux::test;

namespace {

// Thursday 10 December 2026; Monday is the 7th.
const QDate kThursday(2026, 12, 10);

QDateTime at(const QDate &day, int h, int m, int s = 0, int ms = 0)
{
    return QDateTime(day, QTime(h, m, s, ms));
}

void tick(ProgramFixture &f)
{
    ncp(*f.program).timers().tmrWindowCheck_Timer();
}

/// Ticks every 100 ms from now until \a until (the clock moves with them).
void tickUntil(ProgramFixture &f, const QDateTime &until)
{
    while (f.clock.now() < until) {
        f.clock.advanceMs(100);
        tick(f);
    }
}

bool alarmArmed(ProgramFixture &f, int slot)
{
    f.program->note(slot)->GetAlarmData();
    return f.program->CurrentAlarm.Enabled;
}

} // namespace

class TestAlarms : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void cleanup()
    {
        for (frmAlarm *w : alarmWindows())
            w->close();
        flushDeletes();
    }

    // ---- the rule -------------------------------------------------------------------------

    void due_data()
    {
        QTest::addColumn<AlarmRecord>("alarm");
        QTest::addColumn<QTime>("at");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<bool>("fires");
        const AlarmRecord monFri = repeating(QTime(9, 0), {1, 5});
        QTest::newRow("repeat on Monday 9:00") << monFri << QTime(9, 0, 0) << QDate(2026, 12, 7) << true;
        QTest::newRow("repeat on Friday 9:00:45") << monFri << QTime(9, 0, 45) << QDate(2026, 12, 11) << true;
        QTest::newRow("repeat on Thursday") << monFri << QTime(9, 0) << kThursday << false;
        QTest::newRow("repeat a minute late") << monFri << QTime(9, 1) << QDate(2026, 12, 7) << false;
        QTest::newRow("repeat 9:00 PM is not 9:00 AM") << monFri << QTime(21, 0) << QDate(2026, 12, 7) << false;
        QTest::newRow("repeat on Sunday") << repeating(QTime(7, 30), {0}) << QTime(7, 30) << QDate(2026, 12, 13)
                                          << true;
        QTest::newRow("repeat on Saturday") << repeating(QTime(7, 30), {6}) << QTime(7, 30) << QDate(2026, 12, 12)
                                            << true;
        QTest::newRow("repeat with no days") << repeating(QTime(9, 0), {}) << QTime(9, 0) << kThursday << false;
        AlarmRecord otherType = repeating(QTime(9, 0), {4});
        otherType.AlarmType = 200;
        QTest::newRow("any non-zero type repeats") << otherType << QTime(9, 0) << kThursday << true;
        AlarmRecord secondsSet = once(QTime(14, 5, 40), kThursday);
        QTest::newRow("alarm seconds do not count") << secondsSet << QTime(14, 5, 2) << kThursday << true;
        QTest::newRow("once today") << once(QTime(14, 5), kThursday) << QTime(14, 5, 59) << kThursday << true;
        QTest::newRow("once other day") << once(QTime(14, 5), kThursday.addDays(1)) << QTime(14, 5) << kThursday
                                        << false;
        QTest::newRow("once passed date stays quiet") << once(QTime(14, 5), kThursday.addDays(-1)) << QTime(14, 5)
                                                      << kThursday << false;
        QTest::newRow("once with the zero date") << once(QTime(0, 0), QDate()) << QTime(0, 0) << kThursday << false;
        QTest::newRow("disabled") << disabled(once(QTime(14, 5), kThursday)) << QTime(14, 5) << kThursday << false;
        QTest::newRow("disabled repeat") << disabled(repeating(QTime(9, 0), {4})) << QTime(9, 0) << kThursday
                                         << false;
    }
    void due()
    {
        QFETCH(AlarmRecord, alarm);
        QFETCH(QTime, at);
        QFETCH(QDate, today);
        QFETCH(bool, fires);
        QCOMPARE(AlarmDue(alarm, at, today), fires);
    }

    void description_data()
    {
        QTest::addColumn<AlarmRecord>("alarm");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("line");
        const QLocale us(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("once without sound") << once(QTime(9, 5), QDate(2026, 12, 6)) << us
                                            << QStringLiteral("Once @ 9:05 AM on 12/6/2026 (No Sound)");
        QTest::newRow("once with sound") << once(QTime(9, 5), QDate(2026, 12, 6), QStringLiteral("/a.wav")) << us
                                         << QStringLiteral("Once @ 9:05 AM on 12/6/2026");
        QTest::newRow("repeat with sound") << repeating(QTime(17, 30), {1, 5}, QStringLiteral("/bell.wav")) << us
                                           << QStringLiteral("Repeat @ 5:30 PM on M F");
        QTest::newRow("repeat every day, no sound")
            << repeating(QTime(0, 15), {0, 1, 2, 3, 4, 5, 6}) << us
            << QStringLiteral("Repeat @ 12:15 AM on Su M Tu W Th F Sa (No Sound)");
        QTest::newRow("repeat with no days, with sound") << repeating(QTime(12, 0), {}, QStringLiteral("/a.wav")) << us
                                                         << QStringLiteral("Repeat @ 12:00 PM on");
        // The date in the user's own short form.
        QTest::newRow("British short date") << once(QTime(9, 5), QDate(2026, 12, 6))
                                            << QLocale(QLocale::English, QLocale::UnitedKingdom)
                                            << QStringLiteral("Once @ 9:05 AM on 06/12/2026 (No Sound)");
        QTest::newRow("German short date") << once(QTime(21, 5), QDate(2026, 12, 6))
                                           << QLocale(QLocale::German, QLocale::Germany)
                                           << QStringLiteral("Once @ 9:05 PM on 06.12.2026 (No Sound)");
    }
    void description()
    {
        QFETCH(AlarmRecord, alarm);
        QFETCH(QLocale, locale);
        QFETCH(QString, line);
        QCOMPARE(AlarmDescription(alarm, locale), line);
    }

    // ---- when the sweep runs ----------------------------------------------------------------

    void repeatFiresOnItsDaysAtTheFirstTickOfTheMinute_data()
    {
        QTest::addColumn<QDate>("day");
        QTest::addColumn<bool>("fires");
        const char *names[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
        for (int i = 0; i < 7; ++i)
            QTest::newRow(names[i]) << QDate(2026, 12, 6).addDays(i) << (i == 1 || i == 5);
    }
    void repeatFiresOnItsDaysAtTheFirstTickOfTheMinute()
    {
        QFETCH(QDate, day);
        QFETCH(bool, fires);
        ProgramFixture f;
        f.clock.set(at(day, 8, 58, 30, 50));
        f.writeStore(storeWithAlarms({{QStringLiteral("Stand-up"), repeating(QTime(9, 0), {1, 5})}}));
        f.start();
        tick(f);
        tickUntil(f, at(day, 8, 59, 59, 950));
        QVERIFY(alarmWindows().isEmpty());
        // The first tick of 9:00.
        f.clock.advanceMs(100);
        tick(f);
        QCOMPARE(alarmSlots(), fires ? QList<int>{1} : QList<int>{});
        QCOMPARE(f.notifier.posted.size(), fires ? 1 : 0);
        // The rest of the minute sweeps no more.
        tickUntil(f, at(day, 9, 0, 59, 950));
        QCOMPARE(alarmSlots(), fires ? QList<int>{1} : QList<int>{});
        QCOMPARE(ncp(*f.program).timers().lastMinute(), 0);
        // A repeating alarm stays armed.
        QVERIFY(alarmArmed(f, 1));
    }

    void startDuringMinuteZeroChecksFirstAtMinuteOne_data()
    {
        QTest::addColumn<int>("minute");
        QTest::addColumn<QList<int>>("atFirstTick");
        QTest::newRow("started at 10:00") << 0 << QList<int>{};
        QTest::newRow("started at 10:30") << 30 << QList<int>{1};
    }
    void startDuringMinuteZeroChecksFirstAtMinuteOne()
    {
        QFETCH(int, minute);
        QFETCH(QList<int>, atFirstTick);
        ProgramFixture f;
        f.clock.set(at(kThursday, 10, minute, 20, 50));
        f.writeStore(storeWithAlarms({{QStringLiteral("Now"), once(QTime(10, minute), kThursday)},
                                      {QStringLiteral("Next"), once(QTime(10, minute + 1), kThursday)}}));
        f.start();
        tick(f);
        QCOMPARE(alarmSlots(), atFirstTick);
        tickUntil(f, at(kThursday, 10, minute, 59, 950));
        QCOMPARE(alarmSlots(), atFirstTick);
        f.clock.advanceMs(100);
        tick(f);
        QCOMPARE(alarmSlots(), atFirstTick + QList<int>{2});
        // No catch-up: the minute that was never swept stays armed.
        QCOMPARE(alarmArmed(f, 1), atFirstTick.isEmpty());
    }

    void alarmSavedDuringItsMinuteAfterTheSweep_data()
    {
        QTest::addColumn<int>("savedFor");
        QTest::addColumn<bool>("fires");
        QTest::newRow("for the minute already swept") << 30 << false;
        QTest::newRow("for the next minute") << 31 << true;
    }
    void alarmSavedDuringItsMinuteAfterTheSweep()
    {
        QFETCH(int, savedFor);
        QFETCH(bool, fires);
        ProgramFixture f;
        f.clock.set(at(kThursday, 10, 30, 0, 50));
        f.writeStore(storeWithAlarms({{QStringLiteral("Call back"), AlarmRecord{}}}));
        f.start();
        tick(f);
        f.clock.set(at(kThursday, 10, 30, 20));
        f.prompts.answerAlarm(once(QTime(10, savedFor), kThursday));
        f.program->note(1)->mnuAlarmSet->trigger();
        QVERIFY(f.program->note(1)->mnuAlarmSet->isChecked());
        tickUntil(f, at(kThursday, 10, 31, 30));
        QCOMPARE(alarmSlots(), fires ? QList<int>{1} : QList<int>{});
        // A once-alarm that never fired stays armed, one that fired is done.
        QCOMPARE(alarmArmed(f, 1), !fires);
        QCOMPARE(f.program->note(1)->mnuAlarmSet->isChecked(), !fires);
    }

    // ---- one alarm after the other ------------------------------------------------------------

    void dueNotesFireOneAfterTheOtherInSlotOrder()
    {
        ProgramFixture f;
        f.clock.set(at(kThursday, 12, 5, 0, 40));
        const QTime noon(12, 5);
        f.writeStore(storeWithAlarms({{QStringLiteral("A"), once(noon, kThursday, QStringLiteral("/s/a.wav"))},
                                      {QStringLiteral("Gone"), once(noon, kThursday, QStringLiteral("/s/x.wav"))},
                                      {QStringLiteral("B"), repeating(noon, {4}, QStringLiteral("/s/b.wav")), true},
                                      {QStringLiteral("C"), once(noon, kThursday)},
                                      {QStringLiteral("Later"), once(QTime(12, 6), kThursday)}}));
        f.start();
        f.program->hub().DelNote(2, true);
        QVERIFY(!f.program->note(2));
        f.sound.finish = FakeSoundPlayer::Finish::WhenTold;
        QList<QList<int>> shownWhilePlaying;
        QStringList playing;
        f.sound.whileWaiting = [&] {
            shownWhilePlaying << alarmSlots();
            playing << f.sound.played.last();
            QTimer::singleShot(0, [&] { f.sound.finishNow(); });
        };
        tick(f);
        // Each window was up while its own sound played, and the next came after it.
        QCOMPARE(shownWhilePlaying, (QList<QList<int>>{{1}, {1, 3}}));
        QCOMPARE(playing, (QStringList{"/s/a.wav", "/s/b.wav"}));
        QCOMPARE(alarmSlots(), (QList<int>{1, 3, 4}));
        QCOMPARE(f.sound.closes, 2);
        QCOMPARE(f.notifier.posted,
                 (QList<FakeDesktopNotifier::Notification>{
                     {"Pellux Alarm: A", "Once @ 12:05 PM on 12/10/2026"},
                     {"Pellux Alarm: B", "Repeat @ 12:05 PM on Th"},
                     {"Pellux Alarm: C", "Once @ 12:05 PM on 12/10/2026 (No Sound)"}}));
    }

    // A sound that lasts into the next minute: the ticks meanwhile start that minute's sweep
    // only once this one is through, and this one keeps its own time.
    void aSweepDueWhileASoundPlaysFollowsInTurn()
    {
        ProgramFixture f;
        f.clock.set(at(kThursday, 10, 30, 0, 10));
        f.writeStore(storeWithAlarms({{QStringLiteral("First"), once(QTime(10, 30), kThursday, "/s/long.wav")},
                                      {QStringLiteral("Next minute"), once(QTime(10, 31), kThursday)},
                                      {QStringLiteral("Same minute"), once(QTime(10, 30), kThursday)}}));
        f.start();
        f.sound.finish = FakeSoundPlayer::Finish::WhenTold;
        QList<int> shownAfterTheTicks;
        f.sound.whileWaiting = [&] {
            f.clock.set(at(kThursday, 10, 31, 0, 20));
            tick(f);
            tick(f);
            shownAfterTheTicks = alarmSlots();
            QTimer::singleShot(0, [&] { f.sound.finishNow(); });
        };
        tick(f);
        QCOMPARE(shownAfterTheTicks, QList<int>{1});
        // Slot 3 was due at 10:30, the time of the first sweep, though the clock said 10:31 when it was reached.
        QCOMPARE(f.notifier.posted.size(), 3);
        QCOMPARE(f.notifier.posted.at(1).summary, QStringLiteral("Pellux Alarm: Same minute"));
        QCOMPARE(f.notifier.posted.at(2).summary, QStringLiteral("Pellux Alarm: Next minute"));
        QCOMPARE(alarmSlots(), (QList<int>{1, 2, 3}));
        QCOMPARE(f.program->pendingAlarmSweeps(), 0);
    }

    // ---- a dialog that is up when the minute comes ------------------------------------------------

    void promptOpenAtTheMinuteComesFirst()
    {
        ProgramFixture f;
        f.clock.set(at(kThursday, 10, 29, 59, 950));
        f.writeStore(storeWithAlarms({{QStringLiteral("One"), once(QTime(10, 30), kThursday, "/s/one.wav")},
                                      {QStringLiteral("Two"), repeating(QTime(10, 30), {4}, "/s/two.wav")}}));
        f.start();
        tick(f);
        // If the alarm waited inside the box's own loop, the box could never return.
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, [] { qFatal("the prompt's exec never returned"); });
        watchdog.start(20000);

        QList<int> shownWhileUp;
        bool boxReturned = false;
        {
            // What every prompt does: the modal scope around a real box's own event loop.
            const ModalScope scope(f.prompts.modal());
            QMessageBox box(QMessageBox::Question, QStringLiteral("Pellux"), QStringLiteral("Are you sure?"),
                            QMessageBox::Yes | QMessageBox::No);
            QTimer::singleShot(0, &box, [&] {
                // The minute comes while the box is up, and passes.
                f.clock.set(at(kThursday, 10, 30, 0, 50));
                tick(f);
                f.clock.set(at(kThursday, 10, 32, 10));
                tick(f);
                QCoreApplication::processEvents();
                shownWhileUp = alarmSlots();
                box.done(QMessageBox::No);
            });
            box.exec();
            boxReturned = true;
        }
        watchdog.stop();
        QVERIFY(boxReturned);
        QCOMPARE(shownWhileUp, QList<int>{});
        QVERIFY(f.sound.played.isEmpty());
        // The box is gone: the sweeps due meanwhile run, 10:30's with its own time, and
        // still one alarm after the other.
        f.sound.finish = FakeSoundPlayer::Finish::WhenTold;
        QList<QList<int>> shownWhilePlaying;
        f.sound.whileWaiting = [&] {
            shownWhilePlaying << alarmSlots();
            QTimer::singleShot(0, [&] { f.sound.finishNow(); });
        };
        QCoreApplication::processEvents();
        QCOMPARE(alarmSlots(), (QList<int>{1, 2}));
        QCOMPARE(shownWhilePlaying, (QList<QList<int>>{{1}, {1, 2}}));
        QCOMPARE(f.sound.played, (QStringList{"/s/one.wav", "/s/two.wav"}));
        QCOMPARE(f.program->pendingAlarmSweeps(), 0);
        QVERIFY(!alarmArmed(f, 1));
        QVERIFY(alarmArmed(f, 2));
    }

    void firingDuringADialogWaitsForItsEnd()
    {
        ProgramFixture f;
        f.clock.set(at(kThursday, 8, 15, 0));
        f.writeStore(storeWithAlarms({{QStringLiteral("Pills"), repeating(QTime(8, 15), {4})}}));
        f.start();
        {
            const ModalScope outer(f.prompts.modal());
            {
                const ModalScope inner(f.prompts.modal());
                f.program->hub().run(Feature::FireAlarm, 1);
            }
            QCoreApplication::processEvents();
            QVERIFY(alarmWindows().isEmpty());
        }
        QVERIFY(alarmWindows().isEmpty());
        QCoreApplication::processEvents();
        QCOMPARE(alarmSlots(), QList<int>{1});
    }

    // ---- the alarm window ---------------------------------------------------------------------

    void firedOnceAlarmWindowAndStoredDisabled()
    {
        ProgramFixture f;
        f.clock.set(at(kThursday, 10, 30, 0));
        f.writeStore(storeWithAlarms({{QStringLiteral("Dentist"), once(QTime(10, 30), kThursday)}}));
        f.start();
        NoteWindow *note = f.program->note(1);
        QVERIFY(note->mnuAlarmSet->isChecked());
        tick(f);
        const QList<frmAlarm *> windows = alarmWindows();
        QCOMPARE(windows.size(), 1);
        frmAlarm *w = windows.first();
        QCOMPARE(w->windowTitle(), QStringLiteral("Pellux Alarm: Dentist"));
        QCOMPARE(w->lblAlarmID->text(), QStringLiteral("Dentist"));
        QVERIFY(w->lblAlarmID->font().bold());
        QCOMPARE(w->lblAlarmInfo->text(), QStringLiteral("Once @ 10:30 AM on 12/10/2026 (No Sound)"));
        QVERIFY(w->lblOnceNotice->isVisibleTo(w));
        QCOMPARE(w->lblOnceNotice->text(), QStringLiteral("Once Alarm Automaticly Disabled."));
        QVERIFY(!w->cmdDisable->isVisibleTo(w));
        QCOMPARE(w->cmdGoTo->text(), QStringLiteral("Goto Note"));
        QCOMPARE(w->cmdOk->text(), QStringLiteral("Ok"));
        QVERIFY(!w->Image1->pixmap().isNull());
        // In the middle of the screen, in front but not kept on top.
        QCOMPARE(w->pos(), QPoint((1280 - w->width()) / 2, (1024 - w->height()) / 2));
        QVERIFY(!w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(f.sound.opened.isEmpty());
        QCOMPARE(f.notifier.posted,
                 (QList<FakeDesktopNotifier::Notification>{
                     {"Pellux Alarm: Dentist", "Once @ 10:30 AM on 12/10/2026 (No Sound)"}}));
        // Disabled at once, tick and store alike.
        QVERIFY(!note->mnuAlarmSet->isChecked());
        QVERIFY(f.program->SaveNotes());
        QVERIFY(f.readStore().contains("<pelluxalarm><enabled>False</enabled>"));
        // A second sweep in the same minute finds nothing to fire.
        w->cmdOk->click();
        QVERIFY(alarmWindows().isEmpty());
        f.program->CheckAlarms();
        QVERIFY(alarmWindows().isEmpty());
        flushDeletes();
        QCOMPARE(alarmWindowObjects(), 0);
    }

    void repeatingAlarmOffersDisableAndGoto()
    {
        ProgramFixture f;
        f.clock.set(at(kThursday, 8, 15, 0));
        f.writeStore(storeWithAlarms({{QStringLiteral("Pills"), repeating(QTime(8, 15), {4}, "/s/pills.wav")}}));
        f.start();
        NoteWindow *note = f.program->note(1);
        note->hide();
        tick(f);
        QCOMPARE(alarmWindows().size(), 1);
        frmAlarm *w = alarmWindows().first();
        QCOMPARE(w->lblAlarmInfo->text(), QStringLiteral("Repeat @ 8:15 AM on Th"));
        QVERIFY(w->cmdDisable->isVisibleTo(w));
        QCOMPARE(w->cmdDisable->text(), QStringLiteral("&Disable Alarm"));
        QVERIFY(!w->lblOnceNotice->isVisibleTo(w));
        QVERIFY(note->mnuAlarmSet->isChecked());
        QCOMPARE(f.sound.played, QStringList{"/s/pills.wav"});
        w->cmdGoTo->click();
        QVERIFY(note->isVisible());
        QVERIFY(w->isVisible());
        w->cmdDisable->click();
        QVERIFY(!note->mnuAlarmSet->isChecked());
        QVERIFY(!alarmArmed(f, 1));
        QVERIFY(alarmWindows().isEmpty());
    }

    // Disable turns the alarm off and nothing else: an edit made since the window opened stays.
    void disableKeepsAnEditMadeSinceTheAlarm()
    {
        ProgramFixture f;
        f.clock.set(at(kThursday, 8, 15, 0));
        f.writeStore(storeWithAlarms({{QStringLiteral("Pills"), repeating(QTime(8, 15), {4})}}));
        f.start();
        tick(f);
        QCOMPARE(alarmWindows().size(), 1);
        const AlarmRecord edited = repeating(QTime(20, 0), {1, 2, 3}, QStringLiteral("/s/evening.wav"));
        f.prompts.answerAlarm(edited);
        f.program->note(1)->mnuAlarmSet->trigger();
        alarmWindows().first()->cmdDisable->click();
        f.program->note(1)->GetAlarmData();
        QCOMPARE(f.program->CurrentAlarm, disabled(edited));
    }

    void severalWindowsEachBoundToItsNote()
    {
        ProgramFixture f;
        f.clock.set(at(kThursday, 8, 15, 0));
        f.writeStore(storeWithAlarms({{QStringLiteral("One"), repeating(QTime(8, 15), {4})},
                                      {QStringLiteral("Two"), repeating(QTime(8, 15), {4}), true}}));
        f.start();
        tick(f);
        QCOMPARE(alarmSlots(), (QList<int>{1, 2}));
        // Tomorrow's sweep at the same time opens a window of its own beside them.
        f.clock.set(at(kThursday.addDays(7), 8, 15, 0));
        f.program->CheckAlarms();
        QCOMPARE(alarmSlots(), (QList<int>{1, 1, 2, 2}));
        alarmWindows().at(2)->cmdDisable->click();
        QVERIFY(alarmArmed(f, 1));
        QVERIFY(!alarmArmed(f, 2));
        QCOMPARE(alarmSlots(), (QList<int>{1, 1, 2}));
    }

    void windowOfAGoneNote_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("reachesItsNote");
        QTest::newRow("note deleted") << "delete" << false;
        QTest::newRow("notes reloaded: the same note, rebuilt in another slot") << "reload" << true;
        QTest::newRow("another store loaded: another note in its slot") << "replace" << false;
    }
    void windowOfAGoneNote()
    {
        QFETCH(QString, how);
        QFETCH(bool, reachesItsNote);
        ProgramFixture f;
        f.clock.set(at(kThursday, 8, 15, 0));
        f.writeStore(storeWithAlarms({{QStringLiteral("Old"), AlarmRecord{}},
                                      {QStringLiteral("Pills"), repeating(QTime(8, 15), {4})},
                                      {QStringLiteral("Other"), repeating(QTime(9, 0), {4})}}));
        f.start();
        tick(f);
        QCOMPARE(alarmSlots(), QList<int>{2});
        frmAlarm *w = alarmWindows().first();
        int noteSlot = 0;
        if (how == QLatin1String("delete")) {
            f.program->hub().DelNote(2, true);
        } else {
            // The first note's deletion closes up the slots at the reload.
            f.program->hub().DelNote(1, true);
            QVERIFY(f.program->SaveNotes());
            if (how == QLatin1String("replace"))
                f.writeStore(storeWithAlarms({{QStringLiteral("X"), AlarmRecord{}, false, "ELSEWHERE:1"},
                                              {QStringLiteral("Y"), repeating(QTime(9, 0), {4}), false,
                                               "ELSEWHERE:2"}}));
            f.program->channelLoadNotes();
            noteSlot = how == QLatin1String("reload") ? 1 : 0;
        }
        flushDeletes();
        for (int slot = 1; slot <= f.program->upperBound(); ++slot) {
            if (NoteWindow *n = f.program->note(slot))
                n->hide();
        }
        w->cmdGoTo->click();
        QVERIFY(w->isVisible());
        for (int slot = 1; slot <= f.program->upperBound(); ++slot) {
            if (NoteWindow *n = f.program->note(slot))
                QCOMPARE(n->isVisible(), slot == noteSlot);
        }
        QList<bool> armedBefore;
        for (int slot = 1; slot <= f.program->upperBound(); ++slot)
            armedBefore << (f.program->note(slot) && alarmArmed(f, slot));
        w->cmdDisable->click();
        QVERIFY(alarmWindows().isEmpty());
        for (int slot = 1; slot <= f.program->upperBound(); ++slot) {
            if (f.program->note(slot))
                QCOMPARE(alarmArmed(f, slot), armedBefore.at(slot - 1) && !(reachesItsNote && slot == noteSlot));
        }
    }

    // ---- sound ------------------------------------------------------------------------------

    void closingTheWindowStopsItsSound()
    {
        ProgramFixture f;
        f.clock.set(at(kThursday, 8, 15, 0));
        f.writeStore(storeWithAlarms({{QStringLiteral("Loud"), repeating(QTime(8, 15), {4}, "/s/long.wav")},
                                      {QStringLiteral("Next"), repeating(QTime(8, 15), {4}, "/s/next.wav")}}));
        f.start();
        f.sound.finish = FakeSoundPlayer::Finish::WhenTold;
        f.sound.boundMs = 60000;
        int waits = 0;
        f.sound.whileWaiting = [&] {
            if (++waits == 1)
                QTimer::singleShot(0, [] { alarmWindows().first()->cmdOk->click(); });
            else
                QTimer::singleShot(0, [&] { f.sound.finishNow(); });
        };
        QElapsedTimer wall;
        wall.start();
        tick(f);
        QVERIFY(wall.elapsed() < 10000);
        // The first window is closed (its sound with it), the second came after it.
        QCOMPARE(alarmSlots(), QList<int>{2});
        QCOMPARE(f.sound.played, (QStringList{"/s/long.wav", "/s/next.wav"}));
        flushDeletes();
        QCOMPARE(alarmWindowObjects(), 1);
    }

    void aSoundThatCannotPlayStillOpensTheWindow_data()
    {
        QTest::addColumn<bool>("fileRefused");
        QTest::newRow("missing or not a wave file") << true;
        QTest::newRow("no audio output") << false;
    }
    void aSoundThatCannotPlayStillOpensTheWindow()
    {
        QFETCH(bool, fileRefused);
        ProgramFixture f;
        f.clock.set(at(kThursday, 8, 15, 0));
        f.writeStore(storeWithAlarms({{QStringLiteral("A"), once(QTime(8, 15), kThursday, "/no/such.wav")},
                                      {QStringLiteral("B"), once(QTime(8, 15), kThursday, "/s/b.wav")}}));
        f.start();
        if (fileRefused)
            f.sound.unplayable << "/no/such.wav";
        else
            f.sound.noOutput = true;
        tick(f);
        QCOMPARE(alarmSlots(), (QList<int>{1, 2}));
        QCOMPARE(f.sound.opened, (QStringList{"/no/such.wav", "/s/b.wav"}));
        QCOMPARE(f.sound.played, fileRefused ? QStringList{"/s/b.wav"} : QStringList{});
        // Nothing but the windows: no message.
        QVERIFY(f.prompts.asked().isEmpty());
        QCOMPARE(alarmWindows().first()->lblAlarmInfo->text(), QStringLiteral("Once @ 8:15 AM on 12/10/2026"));
    }

    void windowsLeftOpenGoWithTheProgram()
    {
        ProgramFixture f;
        f.clock.set(at(kThursday, 8, 15, 0));
        f.writeStore(storeWithAlarms({{QStringLiteral("A"), once(QTime(8, 15), kThursday)}}));
        f.start();
        tick(f);
        QCOMPARE(alarmWindowObjects(), 1);
        f.program->ShutDown();
        f.program.reset();
        flushDeletes();
        QCOMPARE(alarmWindowObjects(), 0);
    }
};

QTEST_MAIN(TestAlarms)
#include "tst_alarms.moc"
