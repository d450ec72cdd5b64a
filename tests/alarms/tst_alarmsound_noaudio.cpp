// A due alarm with a sound where nothing can be heard: no audio server at all. The
// window opens and the firing returns within the sound's length plus a second.
// (Its own process: QtMultimedia meets the audio server once per process.)
#include "alarms/AlarmTestSupport.h"

#include "platform/QtSoundPlayer.h"
#include "support/PulseAudioServer.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QtTest>

using namespace pellux;
using namespace pellux::test;

class TestAlarmSoundNoAudio : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Nothing listens where this points; and no server may be started for us.
        qputenv("PULSE_SERVER", "unix:/nonexistent/pellux-no-audio-server");
        qputenv("PULSE_COOKIE", "/nonexistent/pellux-no-cookie");
    }

    void alarmWithSoundOpensAndGoesOn()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QtSoundPlayer player;
        ProgramFixture f(true, &player);
        const QString tone = f.env.root() + QStringLiteral("/alarm.wav");
        QString why;
        if (!PulseAudioServer::makeTone(tone, QStringLiteral("1"), &why))
            QSKIP(qPrintable(why));
        const QDate today(2026, 12, 10);
        f.clock.set(QDateTime(today, QTime(9, 5, 0)));
        f.writeStore(storeWithAlarms({{QStringLiteral("Dentist"), once(QTime(9, 5), today, tone)},
                                      {QStringLiteral("Also due"), once(QTime(9, 5), today)}}));
        f.start();
        QElapsedTimer wall;
        wall.start();
        f.program->CheckAlarms();
        const qint64 returnedAfter = wall.elapsed();
        qInfo("no audio server: the sweep returned after %lld ms", returnedAfter);
        QCOMPARE(alarmSlots(), (QList<int>{1, 2}));
        QCOMPARE(alarmWindows().first()->lblAlarmInfo->text(), QStringLiteral("Once @ 9:05 AM on 12/10/2026"));
        QVERIFY2(returnedAfter <= 1000 + 1000, qPrintable(QString::number(returnedAfter)));
    }
};

QTEST_MAIN(TestAlarmSoundNoAudio)
#include "tst_alarmsound_noaudio.moc"
