#pragma once

// Test doubles for Halotray: timers fired by hand and a shell that records its calls.

#include "ClickTimer.h"
#include "TrayShell.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

namespace halotray::test {

/// A click timer that never runs by itself: a test fires it.
class FakeClickTimer final : public ClickTimer
{
public:
    void setInterval(int milliseconds) override { m_interval = milliseconds; }
    int interval() const override { return m_interval; }
    void start() override { m_active = true; }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }

    /// Expires the timer as a running QTimer would; a stopped one cannot expire.
    bool fire()
    {
        if (!m_active)
            return false;
        timedOut();
        return true;
    }

private:
    int m_interval = 0;
    bool m_active = false;
};

inline ClickTimerFactory fakeTimers()
{
    return [] { return std::make_unique<FakeClickTimer>(); };
}

/// What the fake shell saw and how it answers. Outlives the shell (and the control).
struct ShellLog
{
    QStringList calls;                // "add(7)", "modify(4)", "remove"
    QList<TrayIconRecord> records;    // the record of every call, in order
    bool present = false;             // whether the shell currently shows the icon
    bool failAdd = false;
    bool failModify = false;
    TrayNotifySink *owner = nullptr;  // where notifications for the icon go

    /// The shell restarted and forgot the icon.
    void loseIcon() { present = false; }
};

class FakeTrayShell final : public TrayShell
{
public:
    explicit FakeTrayShell(ShellLog &log)
        : m_log(log)
    {
    }

    bool add(const TrayIconRecord &record) override
    {
        note(QStringLiteral("add(%1)").arg(record.flags), record);
        if (m_log.failAdd)
            return false;
        m_log.present = true;
        m_log.owner = record.owner;
        return true;
    }

    bool modify(const TrayIconRecord &record) override
    {
        note(QStringLiteral("modify(%1)").arg(record.flags), record);
        return m_log.present && !m_log.failModify;
    }

    bool remove(const TrayIconRecord &record) override
    {
        note(QStringLiteral("remove"), record);
        const bool was = m_log.present;
        m_log.present = false;
        return was;
    }

private:
    void note(const QString &call, const TrayIconRecord &record)
    {
        m_log.calls << call;
        m_log.records << record;
    }

    ShellLog &m_log;
};

} // namespace halotray::test
