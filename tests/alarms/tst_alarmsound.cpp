// A due alarm heard for real: a PulseAudio server of the test's own with a null sink,
// whose monitor records what the alarm window plays.
#include "alarms/AlarmTestSupport.h"

#include "panel/NCP.h"
#include "panel/PanelFeature.h"
#include "panel/PanelTimers.h"
#include "platform/QtSoundPlayer.h"
#include "support/PulseAudioServer.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QtTest>

#include <memory>

using namespace pellux;
using namespace pellux::test;

class TestAlarmSound : public QObject
{
    Q_OBJECT

private:
    PulseAudioServer m_pulse;

private slots:
    void initTestCase()
    {
        if (const QStringList missing = PulseAudioServer::missingTools(); !missing.isEmpty())
            QSKIP(qPrintable(QStringLiteral("%1 not installed (packages pulseaudio, pulseaudio-utils, sox)")
                                 .arg(missing.join(QStringLiteral(", ")))));
        QString why;
        QVERIFY2(m_pulse.start(&why), qPrintable(why));
    }

    void cleanupTestCase() { m_pulse.stop(); }

    void dueAlarmPlaysItsSoundToTheEnd()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QtSoundPlayer player;
        ProgramFixture f(true, &player);
        const QString tone = f.env.root() + QStringLiteral("/alarm.wav");
        QString why;
        QVERIFY2(PulseAudioServer::makeTone(tone, QStringLiteral("1"), &why), qPrintable(why));
        constexpr qint64 kLengthMs = 1000;
        const QDate today(2026, 12, 10);
        f.clock.set(QDateTime(today, QTime(9, 4, 59, 950)));
        f.writeStore(storeWithAlarms({{QStringLiteral("Dentist"), once(QTime(9, 5), today, tone)}}));
        f.start();
        PanelTimers &timers = ncp(*f.program).timers();
        timers.tmrWindowCheck_Timer();

        QProcess recorder;
        QByteArray recording;
        QVERIFY2(m_pulse.startRecording(recorder, &recording, &why), qPrintable(why));
        f.clock.set(QDateTime(today, QTime(9, 5, 0, 50)));
        QElapsedTimer wall;
        wall.start();
        timers.tmrWindowCheck_Timer();
        const qint64 returnedAfter = wall.elapsed();
        QTest::qWait(300);
        recorder.terminate();
        QVERIFY(recorder.waitForFinished(5000));
        recording += recorder.readAllStandardOutput();

        QCOMPARE(alarmSlots(), QList<int>{1});
        QCOMPARE(alarmWindows().first()->lblAlarmInfo->text(), QStringLiteral("Once @ 9:05 AM on 12/10/2026"));
        PulseAudioServer::Stat heard;
        QVERIFY2(PulseAudioServer::soxStat(recording, &heard, &why), qPrintable(why));
        // A sine at half of full scale has an RMS of 0.5 / sqrt(2): the energy recorded says
        // how many seconds of it reached the sink, whatever silence lies around it.
        const double toneSeconds = heard.rms * heard.rms * heard.seconds / (0.25 / 2);
        qInfo("a %lld ms alarm sound: the firing returned after %lld ms; sox stat of %.2f s recorded: "
              "RMS %.3f, maximum %.3f, so %.2f s of the tone",
              kLengthMs, returnedAfter, heard.seconds, heard.rms, heard.maximum, toneSeconds);
        // The whole sound, not the start of it, and then at once.
        QVERIFY2(returnedAfter >= kLengthMs && returnedAfter <= kLengthMs + 1000,
                 qPrintable(QString::number(returnedAfter)));
        // The tone itself (half of full scale) reached the sink: not silence, not noise.
        QVERIFY2(heard.maximum > 0.4 && heard.maximum < 0.6, qPrintable(QString::number(heard.maximum)));
        QVERIFY2(toneSeconds > 0.9 && toneSeconds < 1.1, qPrintable(QString::number(toneSeconds)));
    }
};

QTEST_MAIN(TestAlarmSound)
#include "tst_alarmsound.moc"
