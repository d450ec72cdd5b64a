#pragma once

#include <functional>
#include <memory>

class QTimer;

namespace halotray {

/**
 * One click-discrimination timer. The decoder owns its timers through this
 * interface so that tests can fire them by hand instead of waiting.
 */
class ClickTimer
{
public:
    virtual ~ClickTimer() = default;
    virtual void setInterval(int milliseconds) = 0;
    virtual int interval() const = 0;
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;

    /// Called on every expiry while the timer runs.
    void setTimeoutHandler(std::function<void()> handler) { m_onTimeout = std::move(handler); }

protected:
    void timedOut()
    {
        if (m_onTimeout)
            m_onTimeout();
    }

private:
    std::function<void()> m_onTimeout;
};

/// The production timer: a QTimer of the thread that created it.
class QtClickTimer final : public ClickTimer
{
public:
    QtClickTimer();
    ~QtClickTimer() override;
    void setInterval(int milliseconds) override;
    int interval() const override;
    void start() override;
    void stop() override;
    bool isActive() const override;

private:
    std::unique_ptr<QTimer> m_timer;
};

using ClickTimerFactory = std::function<std::unique_ptr<ClickTimer>()>;

} // namespace halotray
