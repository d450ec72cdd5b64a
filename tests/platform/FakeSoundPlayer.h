#pragma once

#include "platform/SoundPlayer.h"

#include <QEventLoop>
#include <QStringList>
#include <QTimer>

#include <functional>

namespace pellux::test {

/**
 * A sound player that plays nothing and records what it was asked to play. A
 * sound finishes at once, or only when the test says so (finishNow(), from a
 * timer or from whileWaiting); a wait that is never told still ends after boundMs.
 */
class FakeSoundPlayer : public SoundPlayer
{
public:
    enum class Finish { AtOnce, WhenTold };

    Finish finish = Finish::AtOnce;
    /// Paths that open() refuses, as a missing or broken file would be.
    QStringList unplayable;
    /// Whether play() fails, as it does with no audio output.
    bool noOutput = false;
    /// Runs once at the start of every wait, while the sound "plays".
    std::function<void()> whileWaiting;
    int boundMs = 5000;

    QStringList opened;
    QStringList played;
    int waits = 0;
    int closes = 0;

    bool open(const QString &path) override
    {
        close();
        opened << path;
        if (unplayable.contains(path)) {
            m_error = QStringLiteral("cannot play %1").arg(path);
            return false;
        }
        m_error.clear();
        m_open = path;
        return true;
    }

    bool play() override
    {
        if (m_open.isEmpty() || noOutput) {
            m_error = m_open.isEmpty() ? QStringLiteral("nothing open") : QStringLiteral("no output");
            return false;
        }
        played << m_open;
        m_playing = finish == Finish::WhenTold;
        m_started = true;
        return true;
    }

    bool isPlaying() const override { return m_playing; }

    WaitResult waitForEnd() override
    {
        if (!m_started)
            return WaitResult::NotPlaying;
        ++waits;
        if (whileWaiting)
            whileWaiting();
        if (!m_playing)
            return m_open.isEmpty() ? WaitResult::Closed : WaitResult::Ended;
        QEventLoop loop;
        m_loop = &loop;
        bool timedOut = false;
        QTimer::singleShot(boundMs, &loop, [&] {
            timedOut = true;
            loop.exit(0);
        });
        const int how = loop.exec();
        m_loop = nullptr;
        m_playing = false;
        if (how == kClosed)
            return WaitResult::Closed;
        return timedOut ? WaitResult::TimedOut : WaitResult::Ended;
    }

    void close() override
    {
        if (m_open.isEmpty() && !m_started)
            return;
        ++closes;
        m_open.clear();
        m_started = false;
        m_playing = false;
        if (m_loop)
            m_loop->exit(kClosed);
    }

    QString errorString() const override { return m_error; }

    /// Ends the sound that is playing now.
    void finishNow()
    {
        m_playing = false;
        if (m_loop)
            m_loop->exit(0);
    }

private:
    static constexpr int kClosed = 1;
    QString m_open;
    QString m_error;
    bool m_started = false;
    bool m_playing = false;
    QEventLoop *m_loop = nullptr;
};

} // namespace pellux::test
