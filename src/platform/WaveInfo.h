#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

class QIODevice;

namespace pellux {

/// What the header of a RIFF wave file says about its sound.
struct WaveInfo
{
    enum Format : quint16 {
        Pcm = 0x0001,
        IeeeFloat = 0x0003,
        Extensible = 0xFFFE,
    };

    /// The format tag of the header; for an extensible header its sub-format is in subFormat.
    quint16 format = 0;
    /// The sub-format of an extensible header (Pcm or IeeeFloat, say); else the same as format.
    quint16 subFormat = 0;
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;
    /// Average bytes a second as the header states them (the only measure of compressed sound).
    qint64 byteRate = 0;
    int blockAlign = 0;
    /// Where the sound data starts in the file.
    qint64 dataOffset = 0;
    /// Bytes of sound data that the file really holds (a header that claims more is
    /// cut to the file's end).
    qint64 dataBytes = 0;

    /// Whether the samples are stored as they are (integer or float), not compressed.
    bool isUncompressed() const { return subFormat == Pcm || subFormat == IeeeFloat; }
    /// The length of the sound in milliseconds, rounded up; 0 when it cannot be known.
    qint64 durationMs() const;
};

/**
 * Reads the header of the wave file at \a path without loading its samples. A file that is not a wave file, a header that is
 * cut short or contradicts itself, and a file without a sound data chunk give
 * nothing, with the reason in \a error. Which sample formats can be played is
 * the player's business, not this reader's. Only regular files are opened, so a
 * named pipe or a device never blocks the caller.
 */
std::optional<WaveInfo> readWaveInfo(const QString &path, QString *error = nullptr);

/// The same from an open, seekable device positioned at the file's start.
std::optional<WaveInfo> readWaveInfo(QIODevice &device, QString *error = nullptr);

} // namespace pellux
