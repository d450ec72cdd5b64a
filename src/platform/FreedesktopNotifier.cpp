#include "platform/FreedesktopNotifier.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QStringList>
#include <QVariantMap>

namespace pellux {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

/// Sends \a call without waiting; \a done gets the reply (or the error) when it comes.
template<typename Done>
void callLater(QDBusConnection &bus, const QDBusMessage &call, QObject *context, Done done)
{
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, FreedesktopNotifier::replyTimeoutMs()), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context, [watcher, done] {
        watcher->deleteLater();
        done(watcher->reply());
    });
}

} // namespace

FreedesktopNotifier::FreedesktopNotifier(QObject *parent)
    : FreedesktopNotifier(QDBusConnection::sessionBus(), parent)
{
}

FreedesktopNotifier::FreedesktopNotifier(const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , m_bus(bus)
{
}

QString FreedesktopNotifier::applicationName() const
{
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? QStringLiteral("Pellux") : name;
}

void FreedesktopNotifier::notify(const QString &summary, const QString &body)
{
    if (!m_bus.isConnected()) {
        // Told later, as a reply would be, so that callers see one order of events.
        QMetaObject::invokeMethod(
            this, [this] { emit notPosted(tr("There is no session bus to post notifications on.")); },
            Qt::QueuedConnection);
        return;
    }
    const QDBusMessage ask =
        QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("GetCapabilities"));
    callLater(m_bus, ask, this, [this, summary, body](const QDBusMessage &reply) {
        if (reply.type() == QDBusMessage::ReplyMessage) {
            const QStringList capabilities = reply.arguments().value(0).toStringList();
            sendNotify(summary, body, capabilities.contains(QStringLiteral("body-markup")));
            return;
        }
        // A server that does not know the question is still there and takes plain text;
        // a name nobody owns, or a server that does not answer, would fare no better
        // with the notification itself.
        const QString error = reply.errorName();
        if (error == QLatin1String("org.freedesktop.DBus.Error.UnknownMethod")
            || error == QLatin1String("org.freedesktop.DBus.Error.UnknownInterface")) {
            sendNotify(summary, body, false);
            return;
        }
        reportFailure(reply);
    });
}

void FreedesktopNotifier::sendNotify(const QString &summary, const QString &body, bool bodyIsMarkup)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    // app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout
    // (-1: as long as the server shows notifications by default).
    call << applicationName() << uint(0) << QString() << summary
         << (bodyIsMarkup ? body.toHtmlEscaped() : body) << QStringList() << QVariantMap() << int(-1);
    callLater(m_bus, call, this, [this](const QDBusMessage &reply) {
        if (reply.type() == QDBusMessage::ReplyMessage)
            emit posted(reply.arguments().value(0).toUInt());
        else
            reportFailure(reply);
    });
}

void FreedesktopNotifier::reportFailure(const QDBusMessage &reply)
{
    const QString why = reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
    emit notPosted(why.isEmpty() ? tr("The notification service did not answer.") : why);
}

} // namespace pellux
