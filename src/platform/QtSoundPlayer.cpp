#include "platform/QtSoundPlayer.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QEventLoop>
#include <QFile>
#include <QMediaDevices>
#include <QPointer>
#include <QTimer>

#include <algorithm>

namespace pellux {

namespace {

constexpr int kClosed = 1;

/// The sound data of a wave file and nothing else: a chunk after it is not sound.
class WaveData : public QIODevice
{
public:
    WaveData(const QString &path, qint64 offset, qint64 length)
        : m_file(path)
        , m_offset(offset)
        , m_length(length)
    {
    }

    bool open(OpenMode mode) override
    {
        if (!m_file.open(QIODevice::ReadOnly)) {
            setErrorString(m_file.errorString());
            return false;
        }
        m_at = 0;
        return QIODevice::open(mode | QIODevice::Unbuffered);
    }
    void close() override
    {
        QIODevice::close();
        m_file.close();
    }
    bool isSequential() const override { return false; }
    qint64 size() const override { return m_length; }
    bool seek(qint64 pos) override
    {
        if (pos < 0 || pos > m_length)
            return false;
        m_at = pos;
        return QIODevice::seek(pos);
    }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 wanted = qMin(maxSize, m_length - m_at);
        if (wanted <= 0)
            return 0;
        if (!m_file.seek(m_offset + m_at))
            return -1;
        const qint64 got = m_file.read(data, wanted);
        if (got > 0)
            m_at += got;
        // A file cut short while it plays simply ends the sound there.
        return qMax<qint64>(got, 0);
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QFile m_file;
    qint64 m_offset;
    qint64 m_length;
    qint64 m_at = 0;
};

/// The output format of \a wave; an invalid format when the output takes no such samples.
QAudioFormat outputFormat(const WaveInfo &wave)
{
    QAudioFormat::SampleFormat sample = QAudioFormat::Unknown;
    if (wave.subFormat == WaveInfo::Pcm) {
        switch (wave.bitsPerSample) {
        case 8:
            sample = QAudioFormat::UInt8;
            break;
        case 16:
            sample = QAudioFormat::Int16;
            break;
        case 32:
            sample = QAudioFormat::Int32;
            break;
        default:
            break;
        }
    } else if (wave.subFormat == WaveInfo::IeeeFloat && wave.bitsPerSample == 32) {
        sample = QAudioFormat::Float;
    }
    QAudioFormat format;
    if (sample == QAudioFormat::Unknown)
        return format;
    format.setSampleFormat(sample);
    format.setSampleRate(wave.sampleRate);
    format.setChannelCount(wave.channels);
    return format;
}

QString describeFormat(const WaveInfo &wave)
{
    if (wave.subFormat == WaveInfo::IeeeFloat)
        return QtSoundPlayer::tr("%1-bit floating-point").arg(wave.bitsPerSample);
    if (wave.subFormat == WaveInfo::Pcm)
        return QtSoundPlayer::tr("%1-bit").arg(wave.bitsPerSample);
    return QtSoundPlayer::tr("compressed (format %1)").arg(wave.subFormat);
}

} // namespace

QtSoundPlayer::QtSoundPlayer(QObject *parent)
    : QObject(parent)
{
}

QtSoundPlayer::~QtSoundPlayer()
{
    close();
}

bool QtSoundPlayer::open(const QString &path)
{
    close();
    m_error.clear();
    std::optional<WaveInfo> wave = readWaveInfo(path, &m_error);
    if (!wave)
        return false;
    const QAudioFormat format = outputFormat(*wave);
    if (!format.isValid()) {
        m_error = tr("The sound file \"%1\" holds %2 sound, which cannot be played; wave files of 8-, 16- or "
                     "32-bit samples, or of 32-bit floating-point samples, can.")
                      .arg(path, describeFormat(*wave));
        return false;
    }
    // A frame cut off by the end of the file is not played.
    wave->dataBytes -= wave->dataBytes % format.bytesPerFrame();
    if (wave->dataBytes <= 0) {
        m_error = tr("The sound file \"%1\" holds no sound.").arg(path);
        return false;
    }
    auto source = std::make_unique<WaveData>(path, wave->dataOffset, wave->dataBytes);
    if (!source->open(QIODevice::ReadOnly)) {
        m_error = tr("The sound file \"%1\" cannot be read: %2").arg(path, source->errorString());
        return false;
    }
    m_wave = *wave;
    m_format = format;
    m_source = std::move(source);
    return true;
}

bool QtSoundPlayer::play()
{
    if (!m_source) {
        m_error = tr("No sound file is open.");
        return false;
    }
    stopOutput();
    // Asked each time: the desktop's output may have come or gone since the last sound.
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        m_error = tr("There is no audio output to play the sound on.");
        return false;
    }
    if (!device.isFormatSupported(m_format)) {
        m_error = tr("The audio output \"%1\" cannot play this sound's format.").arg(device.description());
        return false;
    }
    m_source->seek(0);
    m_output = std::make_unique<QAudioSink>(device, m_format);
    QAudioSink *output = m_output.get();
    connect(output, &QAudioSink::stateChanged, this, [this, output](QAudio::State state) {
        switch (state) {
        case QAudio::IdleState:
            if (m_ranDryAt < 0)
                m_ranDryAt = m_sincePlay.elapsed();
            break;
        case QAudio::ActiveState:
            m_ranDryAt = -1;
            break;
        case QAudio::StoppedState:
            if (output->error() != QAudio::NoError)
                m_outputFailed = true;
            break;
        default:
            break;
        }
    });
    m_ranDryAt = -1;
    m_outputFailed = false;
    m_error.clear();
    m_sincePlay.start();
    output->start(m_source.get());
    if (m_outputFailed || (output->state() == QAudio::StoppedState && output->error() != QAudio::NoError)) {
        m_error = tr("The audio output \"%1\" could not be opened.").arg(device.description());
        stopOutput();
        return false;
    }
    return true;
}

QtSoundPlayer::Stage QtSoundPlayer::stage() const
{
    if (!m_output || !m_sincePlay.isValid())
        return Stage::Idle;
    if (m_outputFailed)
        return Stage::Failed;
    const qint64 t = m_sincePlay.elapsed();
    if (t >= deadlineMs())
        return Stage::TimedOut;
    if (m_ranDryAt >= 0 && t >= qMax(m_wave.durationMs(), m_ranDryAt + drainMs()))
        return Stage::Ended;
    return Stage::Playing;
}

bool QtSoundPlayer::isPlaying() const
{
    return stage() == Stage::Playing;
}

bool QtSoundPlayer::runWait(QEventLoop &loop)
{
    QPointer<QtSoundPlayer> alive(this);
    m_waits.push_back(&loop);
    const int how = loop.exec();
    if (!alive)
        return false;
    m_waits.erase(std::remove(m_waits.begin(), m_waits.end(), &loop), m_waits.end());
    return how != kClosed;
}

SoundPlayer::WaitResult QtSoundPlayer::waitForEnd()
{
    if (stage() == Stage::Idle)
        return WaitResult::NotPlaying;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    Stage reached = Stage::Playing;
    // Woken only by the output's reports and by one timer set to the next moment
    // that can end the sound: its own length, the end of the drain, the deadline.
    auto check = [&] {
        reached = stage();
        if (reached != Stage::Playing) {
            timer.stop();
            loop.exit(0);
            return;
        }
        qint64 next = deadlineMs();
        if (m_ranDryAt >= 0)
            next = qMin(next, qMax(m_wave.durationMs(), m_ranDryAt + drainMs()));
        timer.start(int(qMax<qint64>(1, next - m_sincePlay.elapsed())));
    };
    connect(m_output.get(), &QAudioSink::stateChanged, &loop, check);
    connect(&timer, &QTimer::timeout, &loop, check);
    check();
    if (reached == Stage::Playing && !runWait(loop))
        return WaitResult::Closed;
    if (reached == Stage::Failed)
        m_error = tr("The audio output stopped playing the sound.");
    stopOutput();
    switch (reached) {
    case Stage::Ended:
        return WaitResult::Ended;
    case Stage::TimedOut:
        return WaitResult::TimedOut;
    default:
        return WaitResult::NotPlaying;
    }
}

void QtSoundPlayer::stopOutput()
{
    if (!m_output)
        return;
    // Stopping reports a change of state; nobody may hear it from a half-gone output.
    m_output->disconnect();
    m_output->stop();
    m_output.reset();
}

void QtSoundPlayer::close()
{
    for (QEventLoop *loop : m_waits)
        loop->exit(kClosed);
    stopOutput();
    m_source.reset();
    m_wave = {};
    m_format = {};
    m_sincePlay.invalidate();
}

} // namespace pellux
