// The sound player against a real audio server: a PulseAudio of the test's own,
// whose only output is a null sink. What reaches the sink is recorded from its
// monitor, so the test hears whether the wave file was played, and to its end.

#include "platform/QtSoundPlayer.h"
#include "support/PulseAudioServer.h"
#include "support/TestEnvironment.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QtEndian>
#include <QtTest>

#include <ctime>
#include <memory>

using namespace pellux;

namespace {

constexpr int kRate = test::PulseAudioServer::kRate;

/// How loud a recording of 16-bit mono samples is.
struct Loudness
{
    double peak = 0;  // of full scale
    int loudMs = 0;   // 10 ms stretches with sound in them
};

Loudness measure(const QByteArray &samples)
{
    Loudness result;
    const int frames = int(samples.size() / 2);
    const int window = kRate / 100;
    for (int start = 0; start + window <= frames; start += window) {
        double sum = 0;
        for (int i = start; i < start + window; ++i) {
            const double v = qFromLittleEndian<qint16>(samples.constData() + 2 * i) / 32768.0;
            sum += v * v;
            result.peak = qMax(result.peak, qAbs(v));
        }
        if (std::sqrt(sum / window) > 0.05)
            result.loudMs += 10;
    }
    return result;
}

/// CPU time of the whole process (every thread), in milliseconds.
qint64 cpuMs()
{
    return qint64(std::clock()) * 1000 / CLOCKS_PER_SEC;
}

} // namespace

class TestSoundPlayer : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::TestEnvironment> m_env;
    test::PulseAudioServer m_pulse;
    QString m_tone; // 1 s of 440 Hz at half of full scale
    const QString kSink = m_pulse.sink();

    int pactl(const QStringList &args) { return m_pulse.pactl(args); }

private slots:
    void initTestCase()
    {
        if (const QStringList missing = test::PulseAudioServer::missingTools(); !missing.isEmpty())
            QSKIP(qPrintable(QStringLiteral("%1 not installed (packages pulseaudio, pulseaudio-utils, sox)")
                                 .arg(missing.join(QStringLiteral(", ")))));
        m_env = std::make_unique<test::TestEnvironment>();
        QString why;
        QVERIFY2(m_pulse.start(&why), qPrintable(why));
        m_tone = m_env->root() + "/tone.wav";
        QVERIFY2(test::PulseAudioServer::makeTone(m_tone, QStringLiteral("1"), &why), qPrintable(why));
    }

    void cleanupTestCase() { m_pulse.stop(); }

    void playsTheWholeSound_data()
    {
        QTest::addColumn<QStringList>("soxFormat");
        QTest::addColumn<QString>("seconds");
        QTest::newRow("16-bit mono") << QStringList{"-c", "1", "-b", "16"} << QStringLiteral("1");
        QTest::newRow("8-bit, unsigned") << QStringList{"-c", "1", "-b", "8", "-e", "unsigned"}
                                         << QStringLiteral("0.5");
        QTest::newRow("16-bit stereo") << QStringList{"-c", "2", "-b", "16"} << QStringLiteral("0.5");
        QTest::newRow("32-bit, extensible header") << QStringList{"-c", "1", "-b", "32"} << QStringLiteral("0.5");
        QTest::newRow("32-bit float") << QStringList{"-c", "1", "-b", "32", "-e", "float"} << QStringLiteral("0.5");
    }
    void playsTheWholeSound()
    {
        QFETCH(QStringList, soxFormat);
        QFETCH(QString, seconds);
        const QString file = m_env->root() + "/" + QTest::currentDataTag() + ".wav";
        QCOMPARE(QProcess::execute(QStandardPaths::findExecutable("sox"),
                                   QStringList{"-n", "-r", QString::number(kRate)} + soxFormat
                                       + QStringList{file, "synth", seconds, "sine", "440", "vol", "0.5"}),
                 0);
        const qint64 length = qRound64(seconds.toDouble() * 1000);

        QProcess recorder;
        QByteArray recording;
        QString why;
        QVERIFY2(m_pulse.startRecording(recorder, &recording, &why), qPrintable(why));

        QtSoundPlayer player;
        QVERIFY2(player.open(file), qPrintable(player.errorString()));
        QCOMPARE(player.durationMs(), length);
        // Window events run while the sound plays.
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(50);

        QElapsedTimer wall;
        const qint64 cpuBefore = cpuMs();
        wall.start();
        QVERIFY2(player.play(), qPrintable(player.errorString()));
        QVERIFY(player.isPlaying());
        const SoundPlayer::WaitResult result = player.waitForEnd();
        const qint64 waited = wall.elapsed();
        const qint64 cpu = cpuMs() - cpuBefore;
        ticker.stop();
        QVERIFY(!player.isPlaying());
        player.close();

        QTest::qWait(300);
        recorder.terminate();
        QVERIFY(recorder.waitForFinished(5000));
        recording += recorder.readAllStandardOutput();
        const Loudness heard = measure(recording);
        qInfo("%lld ms of sound: waited %lld ms (%s), CPU %lld ms, %d ticks; heard %d ms, peak %.2f", length,
              waited, result == SoundPlayer::WaitResult::Ended ? "ended" : "timed out", cpu, ticks, heard.loudMs,
              heard.peak);

        QVERIFY(result == SoundPlayer::WaitResult::Ended || result == SoundPlayer::WaitResult::TimedOut);
        // Not before the sound could have been heard to its end, and not long after.
        QVERIFY2(waited >= length && waited <= length + 1000, qPrintable(QString::number(waited)));
        QVERIFY2(ticks >= length / 100, qPrintable(QString::number(ticks)));
        // Waiting sleeps in the event loop; a polling loop would burn a whole core.
        QVERIFY2(cpu < waited / 2, qPrintable(QString::number(cpu)));
        // The tone as it was made (samples read in the wrong format are noise or
        // clipped), and all of it, its last tenth of a second too, once.
        QVERIFY2(heard.peak > 0.4 && heard.peak < 0.6, qPrintable(QString::number(heard.peak)));
        QVERIFY2(heard.loudMs >= length - 40 && heard.loudMs <= length + 100, qPrintable(QString::number(heard.loudMs)));
    }

    // A suspended sink takes the sound and never plays it: QSoundEffect then reports
    // playing for ever, as it does without any device. The file's length still ends the wait.
    void waitIsBoundedWhenTheOutputNeverFinishes()
    {
        QCOMPARE(pactl({"suspend-sink", kSink, "1"}), 0);
        QtSoundPlayer player;
        QVERIFY2(player.open(m_tone), qPrintable(player.errorString()));
        QElapsedTimer wall;
        wall.start();
        QVERIFY(player.play());
        const SoundPlayer::WaitResult result = player.waitForEnd();
        const qint64 waited = wall.elapsed();
        const bool playingAfter = player.isPlaying();
        player.close();
        QCOMPARE(pactl({"suspend-sink", kSink, "0"}), 0);
        qInfo("waited %lld ms on a suspended sink", waited);

        QCOMPARE(result, SoundPlayer::WaitResult::TimedOut);
        QVERIFY(!playingAfter);
        QVERIFY2(waited >= 1000 + QtSoundPlayer::endMarginMs() - 20 && waited <= 2000,
                 qPrintable(QString::number(waited)));
    }

    void closingEndsTheWait_data()
    {
        QTest::addColumn<bool>("destroy");
        QTest::newRow("closed") << false;
        QTest::newRow("destroyed with its window") << true;
    }
    void closingEndsTheWait()
    {
        QFETCH(bool, destroy);
        QPointer<QObject> owner = new QObject;
        auto *player = new QtSoundPlayer(owner);
        QVERIFY2(player->open(m_tone), qPrintable(player->errorString()));
        QVERIFY(player->play());
        QTimer::singleShot(200, [&] {
            if (destroy)
                delete owner;
            else
                player->close();
        });
        QElapsedTimer wall;
        wall.start();
        // playToEnd must not touch a player that went away while it waited.
        const SoundPlayer::WaitResult result = playToEnd(*player, m_tone);
        const qint64 waited = wall.elapsed();
        QCOMPARE(result, SoundPlayer::WaitResult::Closed);
        QVERIFY2(waited < 800, qPrintable(QString::number(waited)));
        QCOMPARE(owner.isNull(), destroy);
        if (!destroy) {
            QVERIFY(!player->isPlaying());
            QCOMPARE(player->waitForEnd(), SoundPlayer::WaitResult::NotPlaying);
        }
        delete owner;
    }
};

QTEST_MAIN(TestSoundPlayer)
#include "tst_soundplayer.moc"
