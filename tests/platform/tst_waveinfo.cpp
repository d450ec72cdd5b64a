// Reading the length and format of a wave file from its RIFF header: files as
// sox writes them, and headers that are cut short, contradict themselves or
// are not wave files at all.

#include "platform/WaveInfo.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <sys/stat.h>

using namespace pellux;

namespace {

QByteArray le16(quint16 v)
{
    QByteArray b(2, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray le32(quint32 v)
{
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray chunk(const char *id, const QByteArray &body, quint32 statedSize = 0)
{
    QByteArray c = QByteArray(id, 4) + le32(statedSize ? statedSize : quint32(body.size())) + body;
    if (body.size() % 2)
        c += '\0';
    return c;
}

QByteArray pcmFormat(quint16 channels, quint32 rate, quint16 bits, quint16 tag = 1)
{
    const quint16 align = quint16(channels * bits / 8);
    return le16(tag) + le16(channels) + le32(rate) + le32(rate * align) + le16(align) + le16(bits);
}

QByteArray riff(const QByteArray &chunks)
{
    return "RIFF" + le32(quint32(4 + chunks.size())) + "WAVE" + chunks;
}

/// One second of 16-bit mono sound at 8 kHz.
const QByteArray kSecond(16000, '\x10');

} // namespace

class TestWaveInfo : public QObject
{
    Q_OBJECT

private slots:
    void soxFiles_data()
    {
        QTest::addColumn<QStringList>("soxFormat");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("subFormat");

        QTest::newRow("8-bit mono") << QStringList{"-b", "8", "-e", "unsigned"} << 1 << 8000 << 8 << 1;
        QTest::newRow("16-bit stereo") << QStringList{"-b", "16", "-c", "2"} << 2 << 44100 << 16 << 1;
        QTest::newRow("24-bit, extensible header") << QStringList{"-b", "24", "-c", "2"} << 2 << 48000 << 24 << 1;
        QTest::newRow("32-bit float") << QStringList{"-b", "32", "-e", "float"} << 1 << 22050 << 32 << 3;
        QTest::newRow("IMA ADPCM") << QStringList{"-b", "4", "-e", "ima-adpcm"} << 1 << 8000 << 4 << 0x11;
    }
    void soxFiles()
    {
        QFETCH(QStringList, soxFormat);
        QFETCH(int, channels);
        QFETCH(int, rate);
        QFETCH(int, bits);
        QFETCH(int, subFormat);
        const QString sox = QStandardPaths::findExecutable(QStringLiteral("sox"));
        if (sox.isEmpty())
            QSKIP("sox is not installed");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("sound.wav"));
        QStringList args{"-n", "-r", QString::number(rate)};
        if (!soxFormat.contains("-c"))
            args << "-c" << QString::number(channels);
        args << soxFormat << path << "synth" << "1.25" << "sine" << "440";
        QCOMPARE(QProcess::execute(sox, args), 0);

        QString error;
        const std::optional<WaveInfo> info = readWaveInfo(path, &error);
        QVERIFY2(info, qPrintable(error));
        QCOMPARE(info->channels, channels);
        QCOMPARE(info->sampleRate, rate);
        QCOMPARE(info->bitsPerSample, bits);
        QCOMPARE(int(info->subFormat), subFormat);
        // Compressed sound is measured by the header's byte rate, which rounds.
        QVERIFY2(qAbs(info->durationMs() - 1250) <= (info->isUncompressed() ? 1 : 20),
                 qPrintable(QString::number(info->durationMs())));
    }

    void headers_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<qint64>("durationMs"); // -1: not read, with an error
        QTest::addColumn<qint64>("dataBytes");
        QTest::addColumn<qint64>("dataOffset");

        const QByteArray fmt = chunk("fmt ", pcmFormat(1, 8000, 16));
        QTest::newRow("plain") << riff(fmt + chunk("data", kSecond)) << qint64(1000) << qint64(16000) << qint64(44);
        QTest::newRow("rounds up") << riff(fmt + chunk("data", QByteArray(17, 'x'))) << qint64(2) << qint64(17) << qint64(44);
        QTest::newRow("odd-sized chunk before the format, padded")
            << riff(chunk("junk", "abc") + fmt + chunk("data", kSecond)) << qint64(1000) << qint64(16000)
            << qint64(56);
        QTest::newRow("data longer than the file: what is there")
            << riff(fmt + chunk("data", kSecond.left(4000), 16000)) << qint64(250) << qint64(4000) << qint64(44);
        QTest::newRow("streamed, length unknown")
            << riff(fmt + chunk("data", kSecond, 0xFFFFFFFFu)) << qint64(1000) << qint64(16000) << qint64(44);
        QTest::newRow("frames, not the stated byte rate")
            << riff(chunk("fmt ", le16(1) + le16(1) + le32(8000) + le32(1) + le16(2) + le16(16))
                    + chunk("data", kSecond))
            << qint64(1000) << qint64(16000) << qint64(44);

        QTest::newRow("empty file") << QByteArray() << qint64(-1) << qint64(0) << qint64(0);
        QTest::newRow("text") << QByteArray("just some words, not a sound at all") << qint64(-1) << qint64(0) << qint64(0);
        QTest::newRow("other RIFF kind") << QByteArray("RIFF\x10\0\0\0AVI LIST\0\0\0\0", 20) << qint64(-1)
                                         << qint64(0) << qint64(0);
        QTest::newRow("header only") << riff({}) << qint64(-1) << qint64(0) << qint64(0);
        QTest::newRow("no format") << riff(chunk("data", kSecond)) << qint64(-1) << qint64(0) << qint64(0);
        QTest::newRow("format too short") << riff(chunk("fmt ", pcmFormat(1, 8000, 16).left(14)) + chunk("data", kSecond))
                                          << qint64(-1) << qint64(0) << qint64(0);
        QTest::newRow("format cut off by the end") << riff(fmt).left(12 + 8 + 10) << qint64(-1) << qint64(0) << qint64(0);
        QTest::newRow("no channels") << riff(chunk("fmt ", pcmFormat(0, 8000, 16)) + chunk("data", kSecond))
                                     << qint64(-1) << qint64(0) << qint64(0);
        QTest::newRow("no sample rate") << riff(chunk("fmt ", pcmFormat(1, 0, 16)) + chunk("data", kSecond))
                                        << qint64(-1) << qint64(0) << qint64(0);
        QTest::newRow("no data chunk") << riff(fmt + chunk("LIST", "INFO")) << qint64(-1) << qint64(0) << qint64(0);
        QTest::newRow("empty data") << riff(fmt + chunk("data", {})) << qint64(-1) << qint64(0) << qint64(0);
        QTest::newRow("chunk claims 4 GB") << riff(fmt + chunk("junk", "ab", 0xFFFFFFF0u) + chunk("data", kSecond))
                                           << qint64(-1) << qint64(0) << qint64(0);
        QTest::newRow("extensible without its sub-format")
            << riff(chunk("fmt ", pcmFormat(1, 8000, 16, 0xFFFE) + le16(0)) + chunk("data", kSecond)) << qint64(-1)
            << qint64(0) << qint64(0);
    }
    void headers()
    {
        QFETCH(QByteArray, file);
        QFETCH(qint64, durationMs);
        QFETCH(qint64, dataBytes);
        QFETCH(qint64, dataOffset);
        QBuffer buffer(&file);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        QString error;
        const std::optional<WaveInfo> info = readWaveInfo(buffer, &error);
        if (durationMs < 0) {
            QVERIFY2(!info, qPrintable(QString::number(info ? info->durationMs() : 0)));
            QVERIFY(!error.isEmpty());
            return;
        }
        QVERIFY2(info, qPrintable(error));
        QCOMPARE(info->dataOffset, dataOffset);
        QCOMPARE(info->dataBytes, dataBytes);
        QCOMPARE(info->durationMs(), durationMs);
    }

    // What is not a regular file is refused before it is opened: reading a named
    // pipe would wait for a writer, for ever.
    void notAFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing") << QStringLiteral("missing.wav");
        QTest::newRow("folder") << QStringLiteral("folder.wav");
        QTest::newRow("named pipe") << QStringLiteral("pipe.wav");
    }
    void notAFile()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.wav")));
        QCOMPARE(mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("pipe.wav"))).constData(), 0600), 0);
        QElapsedTimer timer;
        timer.start();
        QString error;
        QVERIFY(!readWaveInfo(dir.filePath(name), &error));
        QVERIFY(timer.elapsed() < 1000);
        QVERIFY2(error.contains(dir.filePath(name)), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(TestWaveInfo)
#include "tst_waveinfo.moc"
