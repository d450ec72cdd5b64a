#pragma once

#include "platform/SoundPlayer.h"
#include "platform/WaveInfo.h"

#include <QAudioFormat>
#include <QElapsedTimer>
#include <QObject>

#include <memory>
#include <vector>

class QAudioSink;
class QEventLoop;
class QIODevice;

namespace pellux {

/**
 * The sound player on QtMultimedia's QAudioSink, which hands the wave file's
 * samples straight to the desktop's audio server (PulseAudio, or PipeWire's
 * PulseAudio service) with no media plug-in. The obvious candidates fall short
 * on Qt 6.4: QSoundEffect stops its output the moment it has handed over the last
 * samples, so the audio server drops the last tenth of a second or so of every
 * sound, and it plays only 8- and 16-bit files; QMediaPlayer's default GStreamer
 * back end needs further plug-in packages to play a wave file at all, and its
 * FFmpeg back end is still a preview. libcanberra would bring a second audio
 * stack for what Qt's own output does.
 *
 * The wave file's header (WaveInfo) gives the format and the length; the samples
 * are read from the file as the output asks for them. Integer samples of 8, 16 or
 * 32 bits and 32-bit float are played; open() says so for any other kind rather
 * than giving silence without a word.
 *
 * The end is taken from the file itself as much as from the output, as an output
 * may never report it (a suspended device) or report it before the audio server
 * has played its buffer: the sound ends once its own length has passed and the
 * output has run dry and been given drainMs() to play its buffer, and in any case
 * when its length plus endMarginMs() has passed.
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
    qint64 durationMs() const { return m_source ? m_wave.durationMs() : 0; }
    /// How long past its own length a sound may take to end.
    static constexpr int endMarginMs() { return 500; }
    /// How long the output is kept after it ran dry, for the audio server to play what it holds.
    static constexpr int drainMs() { return 250; }

private:
    enum class Stage { Idle, Playing, Ended, TimedOut, Failed };

    qint64 deadlineMs() const { return m_wave.durationMs() + endMarginMs(); }
    /// Where the sound is now (the clock decides as much as the output's reports).
    Stage stage() const;
    void stopOutput();
    /// Runs window events in \a loop until it is ended; false when close() ended it.
    bool runWait(QEventLoop &loop);

    WaveInfo m_wave;
    QAudioFormat m_format;
    std::unique_ptr<QIODevice> m_source;
    std::unique_ptr<QAudioSink> m_output;
    QString m_error;
    QElapsedTimer m_sincePlay;
    /// When the output ran out of samples, in ms after play(); -1 while it has not.
    qint64 m_ranDryAt = -1;
    bool m_outputFailed = false;
    /// The waits in progress (window events may start one inside another), so that
    /// close() can end them all.
    std::vector<QEventLoop *> m_waits;
};

} // namespace pellux
