#include "platform/WaveInfo.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <climits>
#include <cstring>

namespace pellux {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("WaveInfo", text);
}

bool fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

/// Reads exactly \a size bytes, or nothing.
bool readExactly(QIODevice &device, char *into, qint64 size)
{
    return device.read(into, size) == size;
}

quint16 le16(const char *p)
{
    return qFromLittleEndian<quint16>(p);
}

quint32 le32(const char *p)
{
    return qFromLittleEndian<quint32>(p);
}

/// Writers that stream a wave file cannot know its length and leave this in the sizes.
constexpr quint32 kUnknownSize = 0xFFFFFFFFu;

bool readFormat(QIODevice &device, quint32 size, WaveInfo &info, QString *error)
{
    if (size < 16)
        return fail(error, tr("The wave file's format header is too short."));
    char fmt[40] = {};
    const qint64 wanted = qMin<qint64>(size, sizeof fmt);
    if (!readExactly(device, fmt, wanted))
        return fail(error, tr("The wave file ends inside its format header."));
    info.format = le16(fmt);
    info.subFormat = info.format;
    info.channels = le16(fmt + 2);
    info.sampleRate = int(qMin<quint32>(le32(fmt + 4), quint32(INT_MAX)));
    info.byteRate = le32(fmt + 8);
    info.blockAlign = le16(fmt + 12);
    info.bitsPerSample = le16(fmt + 14);
    if (info.format == WaveInfo::Extensible) {
        // The real format is the first two bytes of the sub-format GUID.
        if (wanted < 40)
            return fail(error, tr("The wave file's extensible format header is too short."));
        info.subFormat = le16(fmt + 24);
    }
    if (info.channels == 0 || info.sampleRate == 0)
        return fail(error, tr("The wave file's format header has no channels or no sample rate."));
    return true;
}

} // namespace

qint64 WaveInfo::durationMs() const
{
    // Uncompressed sound is measured by its frames, as the player counts them; the
    // header's own byte rate is only an average (and sometimes wrong).
    qint64 bytesPerSecond = byteRate;
    if (isUncompressed())
        bytesPerSecond = qint64(sampleRate) * channels * ((bitsPerSample + 7) / 8);
    if (bytesPerSecond <= 0)
        return 0;
    return (dataBytes * 1000 + bytesPerSecond - 1) / bytesPerSecond;
}

std::optional<WaveInfo> readWaveInfo(const QString &path, QString *error)
{
    const QFileInfo file(path);
    if (!file.exists()) {
        fail(error, tr("The sound file \"%1\" does not exist.").arg(path));
        return std::nullopt;
    }
    if (!file.isFile()) {
        fail(error, tr("\"%1\" is not a sound file.").arg(path));
        return std::nullopt;
    }
    QFile device(path);
    if (!device.open(QIODevice::ReadOnly)) {
        fail(error, tr("The sound file \"%1\" cannot be read: %2").arg(path, device.errorString()));
        return std::nullopt;
    }
    return readWaveInfo(device, error);
}

std::optional<WaveInfo> readWaveInfo(QIODevice &device, QString *error)
{
    const qint64 fileSize = device.size();
    char riff[12];
    if (!readExactly(device, riff, sizeof riff) || memcmp(riff, "RIFF", 4) != 0 || memcmp(riff + 8, "WAVE", 4) != 0) {
        fail(error, tr("This is not a wave file."));
        return std::nullopt;
    }
    WaveInfo info;
    bool haveFormat = false;
    qint64 pos = sizeof riff;
    for (;;) {
        char head[8];
        if (!device.seek(pos) || !readExactly(device, head, sizeof head)) {
            fail(error, haveFormat ? tr("The wave file holds no sound data.")
                                   : tr("The wave file has no format header."));
            return std::nullopt;
        }
        const quint32 size = le32(head + 4);
        const qint64 body = pos + qint64(sizeof head);
        if (memcmp(head, "fmt ", 4) == 0) {
            if (haveFormat) {
                fail(error, tr("The wave file has two format headers."));
                return std::nullopt;
            }
            if (!readFormat(device, size, info, error))
                return std::nullopt;
            haveFormat = true;
        } else if (memcmp(head, "data", 4) == 0) {
            if (!haveFormat) {
                // The samples cannot be read without knowing their format first.
                fail(error, tr("The wave file's sound data comes before its format header."));
                return std::nullopt;
            }
            // A length that runs past the end (a file cut short, or one written as a
            // stream) counts only what is really there.
            info.dataOffset = body;
            const qint64 present = qMax<qint64>(0, fileSize - body);
            info.dataBytes = size == kUnknownSize ? present : qMin<qint64>(size, present);
            if (info.dataBytes == 0) {
                fail(error, tr("The wave file holds no sound data."));
                return std::nullopt;
            }
            return info;
        }
        // Chunks are padded to an even length.
        pos = body + qint64(size) + (size & 1);
        if (pos > fileSize) {
            fail(error, haveFormat ? tr("The wave file holds no sound data.")
                                   : tr("The wave file has no format header."));
            return std::nullopt;
        }
    }
}

} // namespace pellux
