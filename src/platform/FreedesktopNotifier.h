#pragma once

#include "platform/DesktopNotifier.h"

#include <QDBusConnection>
#include <QObject>

class QDBusMessage;

namespace pellux {

/**
 * Notifications through the desktop's org.freedesktop.Notifications service on
 * the session bus. Every call is asynchronous, so a slow or stuck notification
 * daemon never holds up the window thread. The server is asked for its
 * capabilities before each notification: the body is escaped where the server
 * reads it as markup (a note titled "<b>" or "R&D" must arrive as written) and
 * sent as it is elsewhere.
 */
class FreedesktopNotifier : public QObject, public DesktopNotifier
{
    Q_OBJECT
public:
    /// Notifies on the session bus.
    explicit FreedesktopNotifier(QObject *parent = nullptr);
    /// Notifies on \a bus (a private bus in tests).
    explicit FreedesktopNotifier(const QDBusConnection &bus, QObject *parent = nullptr);

    void notify(const QString &summary, const QString &body) override;

    /// The name the notifications are posted under (the program's name).
    QString applicationName() const;
    /// Replies are given up after this long; the window thread never waits for them.
    static constexpr int replyTimeoutMs() { return 5000; }

signals:
    /// The server took a notification and gave it \a id.
    void posted(uint id);
    /// A notification was not shown; \a reason says why (no service, say).
    void notPosted(const QString &reason);

private:
    void sendNotify(const QString &summary, const QString &body, bool bodyIsMarkup);
    void reportFailure(const QDBusMessage &reply);

    QDBusConnection m_bus;
};

} // namespace pellux
