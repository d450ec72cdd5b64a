#pragma once

#include "platform/Clock.h"
#include "platform/ScreenMetrics.h"
#include "platform/SystemQueries.h"

#include <QObject>
#include <memory>
#include <QStringList>
#include <QVariantMap>

class QScreen;

namespace pellux {

/// The computer's own clock; waiting lets window events run.
class SystemClock : public Clock
{
public:
    QDateTime now() const override;
    qint64 msecsSinceEpoch() const override;
    void waitUntil(const QDateTime &moment) override;
};

/// Measures of the primary screen, and the desktop's screens as Qt reports them.
class QtScreenMetrics : public ScreenMetrics
{
public:
    QtScreenMetrics();
    ~QtScreenMetrics() override;
    int screenWidthTwips() const override;
    int screenHeightTwips() const override;
    QList<QRect> availableGeometries() const override;
    QRect availableAreaTwips() const override;
    /// Measured on a framed window of the program; the style's title bar height until one is shown.
    int titleBarHeightTwips() const override;

protected:
    int queryTwipsPerPixelX() const override;
    int queryTwipsPerPixelY() const override;
    void watchScreens() override;

private:
    void watch(QScreen *screen);
    /// Holds the connections to the application's and the screens' signals.
    std::unique_ptr<QObject> m_watcher;
};

/**
 * System queries on a Linux desktop. Screen-saver and lock state come from the
 * desktop's D-Bus services, cached from their signals so that the 100 ms window
 * check reads two booleans and does no I/O:
 * - screen saver: ActiveChanged of org.freedesktop.ScreenSaver (at /ScreenSaver and
 *   /org/freedesktop/ScreenSaver) and org.gnome.ScreenSaver;
 * - lock: the LockedHint property of this process's logind session (set by the
 *   screen locker), and the session's Lock/Unlock requests.
 * The start-up state is asked once, without blocking; a desktop without these
 * services simply never reports a screen saver or a lock.
 */
class DesktopSystemQueries : public QObject, public SystemQueries
{
    Q_OBJECT
public:
    explicit DesktopSystemQueries(QObject *parent = nullptr);

    QString computerName() const override;
    QString tempFolder() const override;
    QString appDataFolder() const override;
    int osMajorVersion() const override;
    QWidget *foregroundWindow() const override;
    bool screenSaverActive() const override { return m_screenSaver; }
    bool sessionLocked() const override { return m_locked; }
    int doubleClickTime() const override;
    bool openUrl(const QUrl &url) override;

private slots:
    void onScreenSaverActiveChanged(bool active);
    void onSessionLock();
    void onSessionUnlock();
    void onSessionPropertiesChanged(const QString &interfaceName, const QVariantMap &changed,
                                    const QStringList &invalidated);

private:
    void watchScreenSaver();
    void watchSession();
    void watchSessionAt(const QString &sessionPath);
    void askLockedHint();

    bool m_screenSaver = false;
    bool m_locked = false;
    /// Signals seen so far: an answer asked for before the latest signal is older than it.
    int m_screenSaverReports = 0;
    int m_lockReports = 0;
    QString m_sessionPath;
};

} // namespace pellux
