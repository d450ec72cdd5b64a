#pragma once

#include "platform/SoundPlayer.h"
#include "platform/WaveInfo.h"

#include <QElapsedTimer>
#include <QObject>

#include <memory>
#include <vector>

class QEventLoop;
class QSoundEffect;

namespace pellux {

/**
 * The sound player on QtMultimedia's QSoundEffect. It decodes the wave file in
 * this process and hands the samples straight to the desktop's audio server
 * (PulseAudio, or PipeWire's PulseAudio service), with no media plug-in: Qt 6.4's
 * default GStreamer back end would need further plug-in packages to play a wave
 * file at all, and its FFmpeg back end is still a preview. The price is the
 * formats: QSoundEffect plays uncompressed 8- and 16-bit integer wave files, and
 * open() says so for any other kind rather than giving silence without a word.
 *
 * QSoundEffect may report a sound as playing for ever (with no audio device, or a
 * suspended one), and may report the end while the last part is still in the
 * audio server's buffer. So the end is taken from the file itself: the length its
 * header gives, at the least, and that length plus endMarginMs() at the most.
 */
class QtSoundPlayer : public QObject, public SoundPlayer
{
    Q_OBJECT
public:
    explicit QtSoundPlayer(QObject *parent = nullptr);
    ~QtSoundPlayer() override;

    bool open(const QString &path) override;
    bool play() override;
    bool isPlaying() const override;
    WaitResult waitForEnd() override;
    void close() override;
    QString errorString() const override { return m_error; }

    /// The open sound's length by its header, in milliseconds; 0 when nothing is open.
    qint64 durationMs() const { return m_effect ? m_wave.durationMs() : 0; }
    /// How long past its own length a sound may take to be reported finished.
    static constexpr int endMarginMs() { return 500; }
    /// How long a wave file may take to load before open() gives up on it.
    static constexpr int loadTimeoutMs() { return 3000; }

private:
    qint64 deadlineMs() const { return m_wave.durationMs() + endMarginMs(); }
    /// Runs window events in \a loop until it is ended; false when close() ended it.
    bool runWait(QEventLoop &loop);
    enum class Load { Loaded, Failed, Closed };
    Load waitUntilLoaded();

    std::unique_ptr<QSoundEffect> m_effect;
    WaveInfo m_wave;
    QString m_error;
    QElapsedTimer m_sincePlay;
    /// The waits in progress (window events may start one inside another), so that
    /// close() can end them all.
    std::vector<QEventLoop *> m_waits;
};

} // namespace pellux
