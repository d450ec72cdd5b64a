#include "platform/QtSoundPlayer.h"

#include <QAudioDevice>
#include <QEventLoop>
#include <QFileInfo>
#include <QMediaDevices>
#include <QPointer>
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace pellux {

namespace {

constexpr int kClosed = 1;

QString describeFormat(const WaveInfo &wave)
{
    if (wave.subFormat == WaveInfo::IeeeFloat)
        return QtSoundPlayer::tr("%1-bit floating-point").arg(wave.bitsPerSample);
    if (wave.subFormat == WaveInfo::Pcm)
        return wave.format == WaveInfo::Extensible
                   ? QtSoundPlayer::tr("%1-bit (extensible header)").arg(wave.bitsPerSample)
                   : QtSoundPlayer::tr("%1-bit").arg(wave.bitsPerSample);
    return QtSoundPlayer::tr("compressed (format %1)").arg(wave.subFormat);
}

bool playable(const WaveInfo &wave)
{
    return wave.format == WaveInfo::Pcm && (wave.bitsPerSample == 8 || wave.bitsPerSample == 16);
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

bool QtSoundPlayer::open(const QString &path)
{
    close();
    m_error.clear();
    std::optional<WaveInfo> wave = readWaveInfo(path, &m_error);
    if (!wave)
        return false;
    if (!playable(*wave)) {
        m_error = tr("The sound file \"%1\" holds %2 sound, which cannot be played; only 8- and 16-bit "
                     "uncompressed wave files can.")
                      .arg(path, describeFormat(*wave));
        return false;
    }
    m_effect = std::make_unique<QSoundEffect>();
    m_effect->setLoopCount(1);
    m_effect->setSource(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    m_wave = *wave;
    const Load load = waitUntilLoaded();
    // Closed meanwhile: the player may be gone, or busy with another file by now.
    if (load == Load::Closed)
        return false;
    if (load == Load::Failed) {
        if (m_error.isEmpty())
            m_error = tr("The sound file \"%1\" could not be loaded.").arg(path);
        close();
        return false;
    }
    return true;
}

QtSoundPlayer::Load QtSoundPlayer::waitUntilLoaded()
{
    if (m_effect->status() == QSoundEffect::Ready)
        return Load::Loaded;
    QEventLoop loop;
    bool done = false;
    auto check = [&] {
        const QSoundEffect::Status status = m_effect->status();
        if (status == QSoundEffect::Ready || status == QSoundEffect::Error) {
            done = true;
            loop.exit(0);
        }
    };
    QTimer timeout;
    timeout.setSingleShot(true);
    connect(&timeout, &QTimer::timeout, &loop, [&] {
        m_error = tr("The sound file took too long to load.");
        done = true;
        loop.exit(0);
    });
    connect(m_effect.get(), &QSoundEffect::statusChanged, &loop, check);
    check();
    if (!done) {
        timeout.start(loadTimeoutMs());
        if (!runWait(loop))
            return Load::Closed;
    }
    return m_effect->status() == QSoundEffect::Ready ? Load::Loaded : Load::Failed;
}

bool QtSoundPlayer::play()
{
    if (!m_effect) {
        m_error = tr("No sound file is open.");
        return false;
    }
    // The effect takes its output when it is made; a device that has come or gone
    // since then is seen here.
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        m_error = tr("There is no audio output to play the sound on.");
        return false;
    }
    if (m_effect->audioDevice() != device)
        m_effect->setAudioDevice(device);
    m_error.clear();
    m_effect->play();
    m_sincePlay.start();
    return true;
}

bool QtSoundPlayer::isPlaying() const
{
    if (!m_effect || !m_sincePlay.isValid())
        return false;
    const qint64 t = m_sincePlay.elapsed();
    if (t >= deadlineMs())
        return false;
    // Until its own length has passed the sound is still being heard, even when the
    // effect has handed its last samples to the audio server already.
    return t < m_wave.durationMs() || m_effect->isPlaying();
}

SoundPlayer::WaitResult QtSoundPlayer::waitForEnd()
{
    if (!m_effect || !m_sincePlay.isValid())
        return WaitResult::NotPlaying;
    const qint64 shortest = m_wave.durationMs();
    const qint64 deadline = deadlineMs();
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    WaitResult result = WaitResult::Ended;
    bool done = false;
    auto finish = [&](WaitResult how) {
        result = how;
        done = true;
        timer.stop();
        loop.exit(0);
    };
    // Woken only by the effect's signals and by one timer at the next moment that
    // matters: the sound's own length, or the deadline.
    auto check = [&] {
        if (!m_effect)
            return;
        const qint64 t = m_sincePlay.elapsed();
        if (t >= deadline)
            return finish(WaitResult::TimedOut);
        if (!m_effect->isPlaying()) {
            if (t >= shortest)
                return finish(WaitResult::Ended);
            timer.start(int(qMax<qint64>(1, shortest - t)));
        } else {
            timer.start(int(qMax<qint64>(1, deadline - t)));
        }
    };
    connect(m_effect.get(), &QSoundEffect::playingChanged, &loop, check);
    connect(&timer, &QTimer::timeout, &loop, check);
    check();
    if (!done && !runWait(loop))
        return WaitResult::Closed;
    if (result == WaitResult::TimedOut && m_effect)
        m_effect->stop();
    return result;
}

void QtSoundPlayer::close()
{
    for (QEventLoop *loop : m_waits)
        loop->exit(kClosed);
    if (m_effect) {
        // Its destructor still signals a change of the playing state; nobody may hear it.
        m_effect->disconnect();
        m_effect->stop();
        m_effect.reset();
    }
    m_sincePlay.invalidate();
    m_wave = {};
}

} // namespace pellux
