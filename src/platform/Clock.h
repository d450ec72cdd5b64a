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

    /**
     * Wait until the clock has reached \a moment, letting pending window events
     * run meanwhile. The fake clock simply moves its time forward.
     */
    virtual void waitUntil(const QDateTime &moment) = 0;
};

} // namespace pellux
