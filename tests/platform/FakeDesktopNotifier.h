#pragma once

#include "platform/DesktopNotifier.h"

#include <QList>
#include <QString>

namespace pellux::test {

/// Records the notifications posted, in order.
class FakeDesktopNotifier : public DesktopNotifier
{
public:
    struct Notification
    {
        QString summary;
        QString body;
        bool operator==(const Notification &) const = default;
    };
    QList<Notification> posted;

    void notify(const QString &summary, const QString &body) override { posted.append({summary, body}); }
};

} // namespace pellux::test
