#include "platform/DesktopPlatform.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDBusObjectPath>
#include <QDesktopServices>
#include <QDir>
#include <QScreen>
#include <QStandardPaths>
#include <QStyleHints>
#include <QSysInfo>
#include <QThread>

namespace pellux {

QDateTime SystemClock::now() const
{
    return QDateTime::currentDateTime();
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

int QtScreenMetrics::twipsPerPixelX() const
{
    QScreen *s = primary();
    return s ? twipsPerPixel(s->logicalDotsPerInchX()) : 15;
}

int QtScreenMetrics::twipsPerPixelY() const
{
    QScreen *s = primary();
    return s ? twipsPerPixel(s->logicalDotsPerInchY()) : 15;
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

DesktopSystemQueries::DesktopSystemQueries(QObject *parent)
    : QObject(parent)
{
    watchDesktop();
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

void DesktopSystemQueries::watchDesktop()
{
    QDBusConnection session = QDBusConnection::sessionBus();
    if (session.isConnected()) {
        session.connect(QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/org/freedesktop/ScreenSaver"),
                        QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("ActiveChanged"), this,
                        SLOT(onScreenSaverActiveChanged(bool)));
        // The state at start-up, asked once; afterwards only the signals are read.
        QDBusInterface saver(QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/org/freedesktop/ScreenSaver"),
                             QStringLiteral("org.freedesktop.ScreenSaver"), session);
        if (saver.isValid()) {
            saver.setTimeout(500);
            QDBusReply<bool> active = saver.call(QStringLiteral("GetActive"));
            if (active.isValid())
                m_screenSaver = active.value();
        }
    }
    QDBusConnection system = QDBusConnection::systemBus();
    if (system.isConnected()) {
        QDBusInterface manager(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                               QStringLiteral("org.freedesktop.login1.Manager"), system);
        if (manager.isValid()) {
            manager.setTimeout(500);
            QDBusReply<QDBusObjectPath> path =
                manager.call(QStringLiteral("GetSessionByPID"), quint32(QCoreApplication::applicationPid()));
            if (path.isValid()) {
                const QString sessionPath = path.value().path();
                system.connect(QStringLiteral("org.freedesktop.login1"), sessionPath,
                               QStringLiteral("org.freedesktop.login1.Session"), QStringLiteral("Lock"), this,
                               SLOT(onSessionLock()));
                system.connect(QStringLiteral("org.freedesktop.login1"), sessionPath,
                               QStringLiteral("org.freedesktop.login1.Session"), QStringLiteral("Unlock"), this,
                               SLOT(onSessionUnlock()));
            }
        }
    }
}

void DesktopSystemQueries::onScreenSaverActiveChanged(bool active)
{
    m_screenSaver = active;
}

void DesktopSystemQueries::onSessionLock()
{
    m_locked = true;
}

void DesktopSystemQueries::onSessionUnlock()
{
    m_locked = false;
}

} // namespace pellux
