#pragma once

#include <QString>

namespace pellux {

/// Posts messages to the desktop's notification area (a due alarm, say).
class DesktopNotifier
{
public:
    virtual ~DesktopNotifier() = default;
    /**
     * Posts a notification with a one-line \a summary and a plain-text \a body,
     * and returns at once. Where the desktop shows no notifications this does
     * nothing: a notification is a courtesy beside the program's own windows.
     */
    virtual void notify(const QString &summary, const QString &body) = 0;
};

} // namespace pellux
