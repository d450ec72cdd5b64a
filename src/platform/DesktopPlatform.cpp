#include "platform/DesktopPlatform.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QDesktopServices>
#include <QDir>
#include <QScreen>
#include <QStandardPaths>
#include <QStyle>
#include <QStyleHints>
#include <QSysInfo>
#include <QThread>
#include <QTimer>
#include <QWidget>

namespace pellux {

QDateTime SystemClock::now() const
{
    return QDateTime::currentDateTime();
}

qint64 SystemClock::msecsSinceEpoch() const
{
    return QDateTime::currentMSecsSinceEpoch();
}

void SystemClock::waitUntil(const QDateTime &moment)
{
    while (QDateTime::currentDateTime() < moment) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
}

namespace {

int twipsPerPixel(qreal dpi)
{
    if (dpi <= 0)
        return 15;
    const int tpp = qRound(1440.0 / dpi);
    return tpp > 0 ? tpp : 1;
}

QScreen *primary()
{
    return QGuiApplication::primaryScreen();
}

} // namespace

int QtScreenMetrics::queryTwipsPerPixelX() const
{
    QScreen *s = primary();
    return s ? twipsPerPixel(s->logicalDotsPerInchX()) : 15;
}

int QtScreenMetrics::queryTwipsPerPixelY() const
{
    QScreen *s = primary();
    return s ? twipsPerPixel(s->logicalDotsPerInchY()) : 15;
}

QtScreenMetrics::QtScreenMetrics() = default;
QtScreenMetrics::~QtScreenMetrics() = default;

QList<QRect> QtScreenMetrics::availableGeometries() const
{
    QList<QRect> out;
    QScreen *first = primary();
    if (first)
        out.append(first->availableGeometry());
    for (QScreen *s : QGuiApplication::screens()) {
        if (s != first)
            out.append(s->availableGeometry());
    }
    return out;
}

void QtScreenMetrics::watchScreens()
{
    if (m_watcher || !qGuiApp)
        return;
    m_watcher = std::make_unique<QObject>();
    QObject *w = m_watcher.get();
    // Announced once the desktop has settled: a screen that goes may still be listed
    // while its removal is announced.
    const auto later = [this, w] { QTimer::singleShot(0, w, [this] { announceScreensChanged(); }); };
    QObject::connect(qGuiApp, &QGuiApplication::screenAdded, w, [this, later](QScreen *s) {
        watch(s);
        later();
    });
    QObject::connect(qGuiApp, &QGuiApplication::screenRemoved, w, [later](QScreen *) { later(); });
    QObject::connect(qGuiApp, &QGuiApplication::primaryScreenChanged, w, [later](QScreen *) { later(); });
    for (QScreen *s : QGuiApplication::screens())
        watch(s);
}

void QtScreenMetrics::watch(QScreen *screen)
{
    QObject *w = m_watcher.get();
    QObject::connect(screen, &QScreen::availableGeometryChanged, w,
                     [this, w] { QTimer::singleShot(0, w, [this] { announceScreensChanged(); }); });
}

int QtScreenMetrics::screenWidthTwips() const
{
    QScreen *s = primary();
    return (s ? s->geometry().width() : 1024) * twipsPerPixelX();
}

int QtScreenMetrics::screenHeightTwips() const
{
    QScreen *s = primary();
    return (s ? s->geometry().height() : 768) * twipsPerPixelY();
}

QRect QtScreenMetrics::availableAreaTwips() const
{
    QScreen *s = primary();
    if (!s)
        return ScreenMetrics::availableAreaTwips();
    const QRect a = s->availableGeometry();
    const int tx = twipsPerPixelX();
    const int ty = twipsPerPixelY();
    return QRect(a.x() * tx, a.y() * ty, a.width() * tx, a.height() * ty);
}

int QtScreenMetrics::titleBarHeightTwips() const
{
    // The window manager's decoration is known once it has framed a window.
    for (const QWidget *w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || w->isMinimized())
            continue;
        const int titleBar = w->geometry().top() - w->frameGeometry().top();
        if (titleBar > 0)
            return titleBar * twipsPerPixelY();
    }
    return QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight) * twipsPerPixelY();
}

DesktopSystemQueries::DesktopSystemQueries(QObject *parent)
    : QObject(parent)
{
    watchScreenSaver();
    watchSession();
}

QString DesktopSystemQueries::computerName() const
{
    return QSysInfo::machineHostName();
}

QString DesktopSystemQueries::tempFolder() const
{
    QString t = QDir::tempPath();
    if (!t.endsWith(QLatin1Char('/')))
        t += QLatin1Char('/');
    return t;
}

QString DesktopSystemQueries::appDataFolder() const
{
    // $XDG_DATA_HOME, ~/.local/share by default.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

int DesktopSystemQueries::osMajorVersion() const
{
    bool ok = false;
    const int major = QSysInfo::kernelVersion().section(QLatin1Char('.'), 0, 0).toInt(&ok);
    return ok ? major : 0;
}

QWidget *DesktopSystemQueries::foregroundWindow() const
{
    // Only our own windows can be told apart; another program in front gives null.
    return QApplication::activeWindow();
}

int DesktopSystemQueries::doubleClickTime() const
{
    return QGuiApplication::styleHints()->mouseDoubleClickInterval();
}

bool DesktopSystemQueries::openUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

namespace {

const QString kLogin1 = QStringLiteral("org.freedesktop.login1");
const QString kSessionInterface = QStringLiteral("org.freedesktop.login1.Session");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

/// Start-up questions are asked once; a bus that is slow to answer must not delay anything.
constexpr int kAskTimeoutMs = 2000;

/// Sends \a call without waiting; \a done gets the reply when (and if) it arrives.
template<typename Done>
void askLater(QDBusConnection bus, const QDBusMessage &call, QObject *context, Done done)
{
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kAskTimeoutMs), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context, [watcher, done] {
        watcher->deleteLater();
        done(watcher->reply());
    });
}

} // namespace

void DesktopSystemQueries::watchScreenSaver()
{
    QDBusConnection session = QDBusConnection::sessionBus();
    if (!session.isConnected())
        return;
    struct Saver
    {
        QString service;
        QString path;
    };
    // KDE and most others publish the freedesktop name (at one path or both); GNOME its own.
    const QList<Saver> savers{
        {QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/org/freedesktop/ScreenSaver")},
        {QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/ScreenSaver")},
        {QStringLiteral("org.gnome.ScreenSaver"), QStringLiteral("/org/gnome/ScreenSaver")},
    };
    for (const Saver &saver : savers) {
        session.connect(saver.service, saver.path, saver.service, QStringLiteral("ActiveChanged"), this,
                        SLOT(onScreenSaverActiveChanged(bool)));
    }
    // The state at start-up, asked once; a service that is not running is not started for it.
    const int reportsBefore = m_screenSaverReports;
    for (const Saver &saver : savers) {
        QDBusMessage call =
            QDBusMessage::createMethodCall(saver.service, saver.path, saver.service, QStringLiteral("GetActive"));
        call.setAutoStartService(false);
        askLater(session, call, this, [this, reportsBefore](const QDBusMessage &reply) {
            if (m_screenSaverReports != reportsBefore || reply.type() != QDBusMessage::ReplyMessage
                || reply.arguments().isEmpty())
                return;
            if (reply.arguments().constFirst().toBool())
                m_screenSaver = true;
        });
    }
}

void DesktopSystemQueries::watchSession()
{
    QDBusConnection system = QDBusConnection::systemBus();
    if (!system.isConnected())
        return;
    const QString manager = QStringLiteral("/org/freedesktop/login1");
    const QString managerInterface = QStringLiteral("org.freedesktop.login1.Manager");
    QDBusMessage byPid = QDBusMessage::createMethodCall(kLogin1, manager, managerInterface,
                                                        QStringLiteral("GetSessionByPID"));
    byPid << quint32(QCoreApplication::applicationPid());
    askLater(system, byPid, this, [this, system, manager, managerInterface](const QDBusMessage &reply) {
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
            watchSessionAt(reply.arguments().constFirst().value<QDBusObjectPath>().path());
            return;
        }
        // A program started outside the session's own process tree (by a service
        // manager, say) belongs to no session; the user's display session is the one.
        QDBusMessage byName =
            QDBusMessage::createMethodCall(kLogin1, manager, managerInterface, QStringLiteral("GetSession"));
        const QString id = qEnvironmentVariable("XDG_SESSION_ID");
        byName << (id.isEmpty() ? QStringLiteral("auto") : id);
        askLater(system, byName, this, [this](const QDBusMessage &second) {
            if (second.type() == QDBusMessage::ReplyMessage && !second.arguments().isEmpty())
                watchSessionAt(second.arguments().constFirst().value<QDBusObjectPath>().path());
        });
    });
}

void DesktopSystemQueries::watchSessionAt(const QString &sessionPath)
{
    if (sessionPath.isEmpty() || !m_sessionPath.isEmpty())
        return;
    m_sessionPath = sessionPath;
    QDBusConnection system = QDBusConnection::systemBus();
    system.connect(kLogin1, sessionPath, kSessionInterface, QStringLiteral("Lock"), this, SLOT(onSessionLock()));
    system.connect(kLogin1, sessionPath, kSessionInterface, QStringLiteral("Unlock"), this, SLOT(onSessionUnlock()));
    system.connect(kLogin1, sessionPath, kProperties, QStringLiteral("PropertiesChanged"), this,
                   SLOT(onSessionPropertiesChanged(QString, QVariantMap, QStringList)));
    askLockedHint();
}

void DesktopSystemQueries::askLockedHint()
{
    QDBusMessage get = QDBusMessage::createMethodCall(kLogin1, m_sessionPath, kProperties, QStringLiteral("Get"));
    get << kSessionInterface << QStringLiteral("LockedHint");
    const int reportsBefore = m_lockReports;
    askLater(QDBusConnection::systemBus(), get, this, [this, reportsBefore](const QDBusMessage &reply) {
        // A signal that came in meanwhile is newer than this answer.
        if (m_lockReports != reportsBefore || reply.type() != QDBusMessage::ReplyMessage
            || reply.arguments().isEmpty())
            return;
        m_locked = reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
    });
}

void DesktopSystemQueries::onScreenSaverActiveChanged(bool active)
{
    ++m_screenSaverReports;
    m_screenSaver = active;
}

void DesktopSystemQueries::onSessionLock()
{
    ++m_lockReports;
    m_locked = true;
}

void DesktopSystemQueries::onSessionUnlock()
{
    ++m_lockReports;
    m_locked = false;
}

void DesktopSystemQueries::onSessionPropertiesChanged(const QString &interfaceName, const QVariantMap &changed,
                                                     const QStringList &invalidated)
{
    if (interfaceName != kSessionInterface)
        return;
    const QString key = QStringLiteral("LockedHint");
    if (changed.contains(key)) {
        ++m_lockReports;
        m_locked = changed.value(key).toBool();
    } else if (invalidated.contains(key)) {
        askLockedHint();
    }
}

} // namespace pellux
