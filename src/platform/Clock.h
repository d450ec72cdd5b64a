#pragma once

#include <QDate>
#include <QDateTime>

namespace pellux {

/// Where the program reads the time. Tests drive a fake one.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    QDate today() const { return now().date(); }
    /// The same moment as now(), as milliseconds since the epoch: cheap enough for a
    /// timer that ticks ten times a second (no time-zone work).
    virtual qint64 msecsSinceEpoch() const { return now().toMSecsSinceEpoch(); }

    /**
     * Wait until the clock has reached \a moment, letting pending window events
     * run meanwhile. The fake clock simply moves its time forward.
     */
    virtual void waitUntil(const QDateTime &moment) = 0;
};

} // namespace pellux
