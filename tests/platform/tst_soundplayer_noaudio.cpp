// The sound player where nothing can be heard: no audio server at all, and
// files that are missing or are not wave files it can play. The alarm window
// must open and go on at once in every such case, so each returns promptly.
// (Its own process: QtMultimedia meets the audio server once per process.)

#include "platform/FakeSoundPlayer.h"
#include "platform/QtSoundPlayer.h"
#include "support/TestEnvironment.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <memory>
#include <sys/stat.h>

using namespace pellux;

class TestSoundPlayerNoAudio : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::TestEnvironment> m_env;
    QString m_sox;

    QString makeWave(const QString &name, const QStringList &format)
    {
        const QString path = m_env->root() + "/" + name;
        const int rc = QProcess::execute(m_sox, QStringList{"-n", "-r", "8000", "-c", "1"} + format
                                                    + QStringList{path, "synth", "1", "sine", "440"});
        return rc == 0 ? path : QString();
    }

private slots:
    void initTestCase()
    {
        m_env = std::make_unique<test::TestEnvironment>();
        // No audio server is where this points; and none may be started for us.
        qputenv("PULSE_SERVER", QFile::encodeName("unix:" + m_env->root() + "/no-server-here"));
        qputenv("PULSE_COOKIE", QFile::encodeName(m_env->root() + "/pulse-cookie"));
        m_sox = QStandardPaths::findExecutable(QStringLiteral("sox"));
    }

    void noAudioServer()
    {
        if (m_sox.isEmpty())
            QSKIP("sox is not installed (package sox)");
        const QString tone = makeWave("tone.wav", {"-b", "16"});
        QVERIFY(!tone.isEmpty());
        QtSoundPlayer player;
        QElapsedTimer wall;
        wall.start();
        // The file itself is fine; there is just nothing to play it on.
        QVERIFY2(player.open(tone), qPrintable(player.errorString()));
        QVERIFY(!player.play());
        QVERIFY(!player.errorString().isEmpty());
        QVERIFY(!player.isPlaying());
        QCOMPARE(player.waitForEnd(), SoundPlayer::WaitResult::NotPlaying);
        QCOMPARE(playToEnd(player, tone), SoundPlayer::WaitResult::NotPlaying);
        const qint64 waited = wall.elapsed();
        qInfo("no audio server: returned after %lld ms (%s)", waited, qPrintable(player.errorString()));
        QVERIFY2(waited <= 1000 + 1000, qPrintable(QString::number(waited)));
    }

    void unplayableFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("why");
        QTest::newRow("missing") << "missing.wav" << "does not exist";
        QTest::newRow("not a wave file") << "text.wav" << "not a wave file";
        QTest::newRow("a folder") << "folder.wav" << "is not a sound file";
        QTest::newRow("a named pipe") << "pipe.wav" << "is not a sound file";
        QTest::newRow("24-bit") << "24bit.wav" << "24-bit";
        QTest::newRow("compressed") << "adpcm.wav" << "compressed";
        QTest::newRow("no sound in it") << "empty.wav" << "no sound data";
    }
    void unplayableFiles()
    {
        QFETCH(QString, name);
        QFETCH(QString, why);
        const QString root = m_env->root();
        const QString path = root + "/" + name;
        if (name == "text.wav") {
            QVERIFY(test::TestEnvironment::writeFile(path, "Ring ring, this is not a sound.\n"));
        } else if (name == "folder.wav") {
            QVERIFY(QDir().mkpath(path));
        } else if (name == "pipe.wav") {
            QFile::remove(path);
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (name != "missing.wav") {
            if (m_sox.isEmpty())
                QSKIP("sox is not installed (package sox)");
            if (name == "24bit.wav")
                QVERIFY(!makeWave(name, {"-b", "24"}).isEmpty());
            if (name == "adpcm.wav")
                QVERIFY(!makeWave(name, {"-b", "4", "-e", "ima-adpcm"}).isEmpty());
            if (name == "empty.wav") {
                QVERIFY(!makeWave(name, {"-b", "16"}).isEmpty());
                QFile file(path);
                QVERIFY(file.resize(44));
            }
        }

        QtSoundPlayer player;
        QElapsedTimer wall;
        wall.start();
        QVERIFY(!player.open(path));
        QVERIFY2(player.errorString().contains(why), qPrintable(player.errorString()));
        QVERIFY(!player.play());
        QCOMPARE(playToEnd(player, path), SoundPlayer::WaitResult::NotPlaying);
        QVERIFY(!player.isPlaying());
        QVERIFY2(wall.elapsed() < 500, qPrintable(QString::number(wall.elapsed())));
    }

    // What the alarm windows do with any player: never play what did not open,
    // always let go of what did, and leave alone a player closed under them.
    void playToEndCallsInOrder_data()
    {
        QTest::addColumn<bool>("opens");
        QTest::addColumn<bool>("plays");
        QTest::addColumn<bool>("closedWhilePlaying");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("closes");
        QTest::newRow("played") << true << true << false << int(SoundPlayer::WaitResult::Ended) << 1;
        QTest::newRow("file refused") << false << true << false << int(SoundPlayer::WaitResult::NotPlaying) << 0;
        QTest::newRow("no output") << true << false << false << int(SoundPlayer::WaitResult::NotPlaying) << 1;
        QTest::newRow("closed while playing") << true << true << true << int(SoundPlayer::WaitResult::Closed) << 1;
    }
    void playToEndCallsInOrder()
    {
        QFETCH(bool, opens);
        QFETCH(bool, plays);
        QFETCH(bool, closedWhilePlaying);
        QFETCH(int, result);
        QFETCH(int, closes);
        test::FakeSoundPlayer player;
        player.finish = test::FakeSoundPlayer::Finish::WhenTold;
        if (!opens)
            player.unplayable << "alarm.wav";
        player.noOutput = !plays;
        bool playingWhileWaiting = false;
        player.whileWaiting = [&] {
            playingWhileWaiting = player.isPlaying();
            QTimer::singleShot(10, [&] {
                if (closedWhilePlaying)
                    player.close();
                else
                    player.finishNow();
            });
        };
        QCOMPARE(int(playToEnd(player, "alarm.wav")), result);
        QCOMPARE(player.opened, QStringList{"alarm.wav"});
        QCOMPARE(player.played, opens && plays ? QStringList{"alarm.wav"} : QStringList{});
        QCOMPARE(playingWhileWaiting, opens && plays);
        QCOMPARE(player.closes, closes);
        QVERIFY(!player.isPlaying());
    }
};

QTEST_MAIN(TestSoundPlayerNoAudio)
#include "tst_soundplayer_noaudio.moc"
