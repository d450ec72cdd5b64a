// "Alarm Properties": the dialog's control rules on the window itself, the note's
// alarm menu item through the prompts seam, and the real dialog behind QtPrompts.
#include "alarms/AlarmTestSupport.h"

#include "app/NoteWindow.h"
#include "platform/FakeSoundPlayer.h"
#include "platform/QtPrompts.h"
#include "platform/frmAlarmSet.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimeEdit>
#include <QtTest>

using EditControls = std::function<void(pellux::frmAlarmSet &)>;
Q_DECLARE_METATYPE(std::optional<pellux::AlarmRecord>)
Q_DECLARE_METATYPE(EditControls)

using namespace pellux;
using namespace pellux::test;

namespace {

// Thursday 10 December 2026, 10:30:15.
const QDate kToday(2026, 12, 10);
const QDateTime kNow(kToday, QTime(10, 30, 15));

struct Dialog
{
    ScriptedPrompts prompts;
    FakeSoundPlayer player;
    frmAlarmSet window{prompts, player};
};

} // namespace

class TestAlarmSet : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void captions_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        const QList<std::pair<const char *, const char *>> rows{
            {"fraAType", "&Alarm Type"},     {"optAlarmType_0", "Once"},   {"optAlarmType_1", "Repeat"},
            {"fraEnabled", "Alarm S&tatus"}, {"optEnabled_1", "Enabled"},  {"optEnabled_0", "Disabled"},
            {"Frame1", "&Time"},             {"fraDate", "&Date"},         {"fraDOW", "Days Of The Week"},
            {"chkWeekDay_0", "S&un"},        {"chkWeekDay_1", "Mo&n"},     {"chkWeekDay_2", "Tu&e"},
            {"chkWeekDay_3", "&Wed"},        {"chkWeekDay_4", "T&hu"},     {"chkWeekDay_5", "&Fri"},
            {"chkWeekDay_6", "&Sat"},        {"Frame5", "Alarm S&ound"},   {"cmdSoundBrowse", "&Browse"},
            {"cmdSoundPlay", "&Play"},       {"cmdSave", "Sa&ve"},         {"cmdCancel", "Cancel"}};
        for (const auto &[name, caption] : rows)
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(caption);
    }
    void captions()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        Dialog d;
        QCOMPARE(d.window.windowTitle(), QStringLiteral("Alarm Properties"));
        QCOMPARE(d.window.dtpTime->displayFormat(), QStringLiteral("h:mm AP"));
        QWidget *control = d.window.findChild<QWidget *>(name);
        QVERIFY2(control, qPrintable(name));
        if (auto *frame = qobject_cast<QGroupBox *>(control))
            QCOMPARE(frame->title(), caption);
        else if (auto *button = qobject_cast<QAbstractButton *>(control))
            QCOMPARE(button->text(), caption);
        else
            QFAIL("neither a frame nor a button");
    }

    // What the controls hold after SetAlarm, read back as the record Save would build.
    void setAlarm_data()
    {
        QTest::addColumn<AlarmRecord>("stored");
        QTest::addColumn<AlarmRecord>("shown");
        QTest::addColumn<bool>("weekdaysEnabled");

        const QString bell = QStringLiteral("/sounds/bell.wav");
        const QDate ahead(2026, 12, 24);
        QTest::newRow("enabled once, date ahead")
            << once(QTime(9, 5), ahead, bell) << once(QTime(9, 5), ahead, bell) << false;
        QTest::newRow("enabled once, date passed: today")
            << once(QTime(9, 5), kToday.addDays(-3), bell) << once(QTime(9, 5), kToday, bell) << false;
        QTest::newRow("enabled once, the zero date: today")
            << once(QTime(0, 0), QDate()) << once(QTime(0, 0), kToday) << false;
        QTest::newRow("enabled once, today itself") << once(QTime(18, 0), kToday) << once(QTime(18, 0), kToday)
                                                    << false;
        AlarmRecord onceWithDays = once(QTime(9, 5), ahead);
        onceWithDays.DaysOfWeek[2] = true;
        QTest::newRow("enabled once: its weekdays are not shown")
            << onceWithDays << once(QTime(9, 5), ahead) << false;

        AlarmRecord rep = repeating(QTime(17, 30), {1, 5}, bell);
        rep.AlarmDate = ahead;
        QTest::newRow("enabled repeat") << rep << rep << true;
        AlarmRecord repPast = repeating(QTime(17, 30), {0, 6});
        AlarmRecord repPastShown = repPast;
        repPastShown.AlarmDate = kToday;
        QTest::newRow("enabled repeat, zero date") << repPast << repPastShown << true;
        AlarmRecord odd = repeating(QTime(7, 0), {3});
        odd.AlarmType = 7;
        AlarmRecord oddShown = repeating(QTime(7, 0), {3});
        oddShown.AlarmDate = kToday;
        QTest::newRow("any other type is a repeat") << odd << oddShown << true;

        // A disabled alarm shows today and now, and the window's own first state.
        AlarmRecord blank = disabled(once(QTime(10, 30), kToday));
        QTest::newRow("disabled repeat with sound: not shown")
            << disabled(repeating(QTime(7, 0), {1, 5}, bell)) << blank << false;
        QTest::newRow("disabled once in the future: not shown")
            << disabled(once(QTime(23, 45), ahead, bell)) << blank << false;
        QTest::newRow("a new note's alarm") << AlarmRecord{} << blank << false;
    }
    void setAlarm()
    {
        QFETCH(AlarmRecord, stored);
        QFETCH(AlarmRecord, shown);
        QFETCH(bool, weekdaysEnabled);
        Dialog d;
        d.window.SetAlarm(stored, kNow);
        QCOMPARE(d.window.controlsRecord(), shown);
        QCOMPARE(d.window.optEnabled[1]->isChecked(), shown.Enabled);
        QCOMPARE(d.window.fraDOW->isEnabled(), weekdaysEnabled);
        for (QCheckBox *box : d.window.chkWeekDay)
            QCOMPARE(box->isEnabled(), weekdaysEnabled);
        QCOMPARE(d.window.fraDate->isEnabled(), !weekdaysEnabled);
        QCOMPARE(d.window.dtpDate->isEnabled(), !weekdaysEnabled);
        QCOMPARE(d.window.dtpTime->text(), QLocale().toString(shown.AlarmTime, QStringLiteral("h:mm AP")));
    }

    void typeClickSwapsDateAndWeekdays()
    {
        Dialog d;
        d.window.SetAlarm(once(QTime(9, 0), kToday), kNow);
        d.window.optAlarmType[1]->click();
        QVERIFY(d.window.fraDOW->isEnabled());
        for (QCheckBox *box : d.window.chkWeekDay)
            QVERIFY(box->isEnabled());
        QVERIFY(!d.window.fraDate->isEnabled());
        QVERIFY(!d.window.dtpDate->isEnabled());
        d.window.optAlarmType[0]->click();
        QVERIFY(!d.window.fraDOW->isEnabled());
        for (QCheckBox *box : d.window.chkWeekDay)
            QVERIFY(!box->isEnabled());
        QVERIFY(d.window.fraDate->isEnabled());
        QVERIFY(d.window.dtpDate->isEnabled());
    }

    void playEnabledForWaveNames_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("lower case") << "/home/me/bell.wav" << true;
        QTest::newRow("upper case") << "C:\\SOUNDS\\BELL.WAV" << true;
        QTest::newRow("mixed case") << "ring.Wav" << true;
        QTest::newRow("only the extension") << ".wav" << true;
        QTest::newRow("mp3") << "/home/me/bell.mp3" << false;
        QTest::newRow("no dot") << "/home/me/bellwav" << false;
        QTest::newRow("trailing blank") << "bell.wav " << false;
        QTest::newRow("wave elsewhere in the name") << "bell.wav.bak" << false;
        QTest::newRow("empty") << "" << false;
    }
    void playEnabledForWaveNames()
    {
        QFETCH(QString, text);
        QFETCH(bool, enabled);
        Dialog d;
        QVERIFY(!d.window.cmdSoundPlay->isEnabled());
        d.window.txtSound->setText(QStringLiteral("start.wav"));
        d.window.txtSound->setText(text);
        QCOMPARE(d.window.cmdSoundPlay->isEnabled(), enabled);
        // The stored sound of an enabled alarm counts the same.
        Dialog opened;
        opened.window.SetAlarm(once(QTime(9, 0), kToday, text), kNow);
        QCOMPARE(opened.window.cmdSoundPlay->isEnabled(), enabled);
    }

    void browse_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("after");
        QTest::newRow("chosen replaces the text") << "/old/bell.wav" << "/new/gong.wav" << "/new/gong.wav";
        QTest::newRow("cancelled keeps the text") << "/old/bell.wav" << "" << "/old/bell.wav";
        QTest::newRow("empty box, chosen") << "" << "/new/gong.wav" << "/new/gong.wav";
    }
    void browse()
    {
        QFETCH(QString, before);
        QFETCH(QString, chosen);
        QFETCH(QString, after);
        Dialog d;
        d.window.txtSound->setText(before);
        d.prompts.answerFile(FileAnswer{chosen, 1});
        d.window.cmdSoundBrowse->click();
        QCOMPARE(d.window.txtSound->text(), after);
        QCOMPARE(d.window.cmdSoundPlay->isEnabled(), true);
        // One file dialog with these words, and no message, not even on cancelling.
        QCOMPARE(d.prompts.asked().size(), 1);
        const AskedPrompt &asked = d.prompts.last();
        QCOMPARE(asked.kind, AskedPrompt::OpenFile);
        QCOMPARE(asked.title, QStringLiteral("Select Wave File..."));
        QCOMPARE(asked.file.filters, QStringList{QStringLiteral("Wave Files (*.wav)")});
        QCOMPARE(asked.file.fileName, before);
        QVERIFY(asked.file.mustExist);
        QVERIFY(d.prompts.unexpected().isEmpty());
    }

    void play_data()
    {
        QTest::addColumn<bool>("opens");
        QTest::addColumn<bool>("output");
        QTest::addColumn<QString>("message");
        QTest::newRow("played to its end") << true << true << "";
        QTest::newRow("file refused") << false << true << "cannot play /sounds/bell.wav";
        QTest::newRow("no audio output") << true << false << "no output";
    }
    void play()
    {
        QFETCH(bool, opens);
        QFETCH(bool, output);
        QFETCH(QString, message);
        const QString bell = QStringLiteral("/sounds/bell.wav");
        Dialog d;
        d.player.finish = FakeSoundPlayer::Finish::WhenTold;
        if (!opens)
            d.player.unplayable << bell;
        d.player.noOutput = !output;
        d.window.txtSound->setText(bell);
        bool playingInside = false;
        int ticks = 0;
        d.player.whileWaiting = [&] {
            playingInside = d.window.isPlaying() && d.player.isPlaying();
            // A second click while the sound plays starts nothing.
            d.window.cmdSoundPlay->click();
            // Window events run while it plays; the sound ends after a few of them.
            auto *ticker = new QTimer(&d.window);
            connect(ticker, &QTimer::timeout, [&, ticker] {
                if (++ticks == 3) {
                    ticker->stop();
                    d.player.finishNow();
                }
            });
            ticker->start(0);
        };
        d.window.cmdSoundPlay->click();
        QCOMPARE(d.player.opened, QStringList{bell});
        QCOMPARE(d.player.played, opens && output ? QStringList{bell} : QStringList{});
        QCOMPARE(d.player.waits, opens && output ? 1 : 0);
        QCOMPARE(playingInside, opens && output);
        QVERIFY(!d.window.isPlaying());
        QVERIFY(!d.player.isPlaying());
        QCOMPARE(d.player.closes, opens ? 1 : 0);
        if (message.isEmpty()) {
            QVERIFY(d.prompts.asked().isEmpty());
        } else {
            // Silence after Play needs its reason.
            QCOMPARE(d.prompts.asked().size(), 1);
            QCOMPARE(d.prompts.last().text, message);
            QCOMPARE(d.prompts.last().icon, MsgIcon::Exclamation);
            QCOMPARE(d.prompts.last().title, QStringLiteral("Pellux"));
        }
    }

    void closingTheDialogEndsItsSound_data()
    {
        QTest::addColumn<bool>("save");
        QTest::newRow("Save while it plays") << true;
        QTest::newRow("Cancel while it plays") << false;
    }
    void closingTheDialogEndsItsSound()
    {
        QFETCH(bool, save);
        Dialog d;
        d.player.finish = FakeSoundPlayer::Finish::WhenTold;
        d.player.boundMs = 60000;
        d.window.txtSound->setText(QStringLiteral("/sounds/long.wav"));
        d.player.whileWaiting = [&] {
            QTimer::singleShot(0, &d.window, [&] { (save ? d.window.cmdSave : d.window.cmdCancel)->click(); });
        };
        QElapsedTimer wall;
        wall.start();
        d.window.cmdSoundPlay->click();
        QVERIFY(wall.elapsed() < 5000);
        QVERIFY(!d.window.isPlaying());
        QVERIFY(!d.player.isPlaying());
        QCOMPARE(d.window.result(), save ? int(QDialog::Accepted) : int(QDialog::Rejected));
        QCOMPARE(d.window.saved().has_value(), save);
    }

    // Save stores what the controls hold, however odd.
    void saveWithoutValidation_data()
    {
        QTest::addColumn<AlarmRecord>("start");
        QTest::addColumn<EditControls>("edit");
        QTest::addColumn<AlarmRecord>("saved");

        const AlarmRecord blank = disabled(once(QTime(10, 30), kToday));
        AlarmRecord repNoDays = repeating(QTime(10, 30), {});
        repNoDays.AlarmDate = kToday;
        QTest::newRow("repeat without weekdays")
            << AlarmRecord{} << EditControls([](frmAlarmSet &w) {
                   w.optEnabled[1]->click();
                   w.optAlarmType[1]->click();
               })
            << repNoDays;
        QTest::newRow("once in the past") << AlarmRecord{} << EditControls([](frmAlarmSet &w) {
            w.optEnabled[1]->click();
            w.dtpDate->setDate(QDate(2001, 2, 3));
            w.dtpTime->setTime(QTime(6, 7));
        }) << once(QTime(6, 7), QDate(2001, 2, 3));
        QTest::newRow("a sound that does not exist")
            << once(QTime(9, 0), kToday) << EditControls([](frmAlarmSet &w) {
                   w.txtSound->setText(QStringLiteral("/no/such/file.mp3"));
               })
            << once(QTime(9, 0), kToday, QStringLiteral("/no/such/file.mp3"));
        AlarmRecord weekend = repeating(QTime(8, 0), {0, 6});
        weekend.AlarmDate = kToday;
        QTest::newRow("weekend repeat") << AlarmRecord{} << EditControls([](frmAlarmSet &w) {
            w.optEnabled[1]->click();
            w.optAlarmType[1]->click();
            w.chkWeekDay[0]->click();
            w.chkWeekDay[6]->click();
            w.dtpTime->setTime(QTime(8, 0));
        }) << weekend;
        QTest::newRow("disabled as it was shown") << disabled(repeating(QTime(7, 0), {1}, QStringLiteral("/a.wav")))
                                                  << EditControls([](frmAlarmSet &) {})
                                                  << blank;
        AlarmRecord turnedOff = repeating(QTime(7, 0), {1}, QStringLiteral("/a.wav"));
        turnedOff.AlarmDate = kToday;
        QTest::newRow("enabled alarm switched off keeps its values")
            << repeating(QTime(7, 0), {1}, QStringLiteral("/a.wav"))
            << EditControls([](frmAlarmSet &w) { w.optEnabled[0]->click(); })
            << disabled(turnedOff);
    }
    void saveWithoutValidation()
    {
        QFETCH(AlarmRecord, start);
        QFETCH(EditControls, edit);
        QFETCH(AlarmRecord, saved);
        Dialog d;
        d.window.SetAlarm(start, kNow);
        edit(d.window);
        d.window.cmdSave->click();
        QCOMPARE(d.window.result(), int(QDialog::Accepted));
        QVERIFY(d.window.saved().has_value());
        QCOMPARE(*d.window.saved(), saved);
        QVERIFY(d.prompts.asked().isEmpty());
    }

    void cancelSavesNothing()
    {
        Dialog d;
        d.window.SetAlarm(once(QTime(9, 0), kToday), kNow);
        d.window.optAlarmType[1]->click();
        d.window.txtSound->setText(QStringLiteral("/x.wav"));
        d.window.cmdCancel->click();
        QCOMPARE(d.window.result(), int(QDialog::Rejected));
        QVERIFY(!d.window.saved().has_value());
    }

    // ---- the note's menu item -------------------------------------------------------

    void menuItemEditsTheNotesAlarm_data()
    {
        QTest::addColumn<bool>("checkList");
        QTest::addColumn<AlarmRecord>("stored");
        QTest::addColumn<std::optional<AlarmRecord>>("answer");
        QTest::addColumn<AlarmRecord>("after");
        const AlarmRecord monFri = repeating(QTime(9, 0), {1, 5}, QStringLiteral("/b.wav"));
        const AlarmRecord off = disabled(once(QTime(10, 30), kToday));
        QTest::newRow("text note: armed") << false << off << std::optional(monFri) << monFri;
        QTest::newRow("check list: armed") << true << off << std::optional(monFri) << monFri;
        QTest::newRow("text note: switched off") << false << monFri << std::optional(disabled(monFri))
                                                 << disabled(monFri);
        QTest::newRow("check list: cancelled") << true << monFri << std::optional<AlarmRecord>() << monFri;
        QTest::newRow("text note: cancelled, stays off") << false << off << std::optional<AlarmRecord>() << off;
    }
    void menuItemEditsTheNotesAlarm()
    {
        QFETCH(bool, checkList);
        QFETCH(AlarmRecord, stored);
        QFETCH(std::optional<AlarmRecord>, answer);
        QFETCH(AlarmRecord, after);
        ProgramFixture f;
        f.clock.set(kNow);
        f.writeStore(storeWithAlarms({{QStringLiteral("Other"), AlarmRecord{}},
                                      {QStringLiteral("Dentist"), stored, checkList}}));
        f.start();
        NoteWindow *note = f.program->note(2);
        QVERIFY(note->mnuAlarmSet->isEnabled());
        QCOMPARE(note->mnuAlarmSet->isChecked(), stored.Enabled);
        f.prompts.answerAlarm(answer);
        note->mnuAlarmSet->trigger();

        // The dialog started from the note's own alarm and the clock's now.
        QCOMPARE(f.prompts.asked().size(), 1);
        QCOMPARE(f.prompts.last().kind, AskedPrompt::Alarm);
        QCOMPARE(f.prompts.last().alarm.alarm, stored);
        QCOMPARE(f.prompts.last().alarm.now, kNow);
        note->GetAlarmData();
        QCOMPARE(f.program->CurrentAlarm, after);
        QCOMPARE(note->mnuAlarmSet->isChecked(), after.Enabled);
        // The other note is untouched, and the store keeps what was saved.
        f.program->note(1)->GetAlarmData();
        QCOMPARE(f.program->CurrentAlarm, AlarmRecord{});
        QVERIFY(f.program->SaveNotes());
        QVERIFY(f.readStore().contains(after.Enabled ? "<pelluxalarm><enabled>True</enabled>"
                                                     : "<pelluxalarm><enabled>False</enabled>"));
    }

    // ---- the real dialog ----------------------------------------------------------------

    void qtPromptsShowTheDialogModally_data()
    {
        QTest::addColumn<bool>("save");
        QTest::newRow("saved") << true;
        QTest::newRow("cancelled") << false;
    }
    void qtPromptsShowTheDialogModally()
    {
        QFETCH(bool, save);
        QtPrompts prompts;
        bool modalInside = false;
        bool found = false;
        QPoint pos;
        QSize size;
        QTimer::singleShot(0, [&] {
            auto *dlg = qobject_cast<frmAlarmSet *>(QApplication::activeModalWidget());
            if (!dlg)
                return;
            found = true;
            modalInside = prompts.modal().active();
            pos = dlg->pos();
            size = dlg->size();
            dlg->chkWeekDay[3]->click();
            (save ? dlg->cmdSave : dlg->cmdCancel)->click();
        });
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, [] {
            if (QWidget *w = QApplication::activeModalWidget())
                w->close();
        });
        guard.start(10000);
        const std::optional<AlarmRecord> answer =
            prompts.alarmProperties(AlarmRequest{repeating(QTime(17, 30), {1, 5}), kNow});
        QVERIFY(found);
        QVERIFY(modalInside);
        QVERIFY(!prompts.modal().active());
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(pos, QPoint(screen.x() + (screen.width() - size.width()) / 2,
                             screen.y() + (screen.height() - size.height()) / 2));
        QCOMPARE(answer.has_value(), save);
        if (save) {
            AlarmRecord expected = repeating(QTime(17, 30), {1, 3, 5});
            expected.AlarmDate = kToday;
            QCOMPARE(*answer, expected);
        }
    }
};

QTEST_MAIN(TestAlarmSet)
#include "tst_alarmset.moc"
