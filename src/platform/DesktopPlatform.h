#pragma once

#include "platform/Clock.h"
#include "platform/ScreenMetrics.h"
#include "platform/SystemQueries.h"

#include <QObject>

namespace pellux {

/// The computer's own clock; waiting lets window events run.
class SystemClock : public Clock
{
public:
    QDateTime now() const override;
    void waitUntil(const QDateTime &moment) override;
};

/// Measures of the primary screen.
class QtScreenMetrics : public ScreenMetrics
{
public:
    int twipsPerPixelX() const override;
    int twipsPerPixelY() const override;
    int screenWidthTwips() const override;
    int screenHeightTwips() const override;
};

/**
 * System queries on a Linux desktop. Screen-saver and lock state come from the
 * desktop's D-Bus services (org.freedesktop.ScreenSaver's ActiveChanged and
 * logind's session Lock/Unlock), cached from their signals so that the 100 ms
 * window check reads two booleans and does no I/O.
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

private:
    void watchDesktop();

    bool m_screenSaver = false;
    bool m_locked = false;
};

} // namespace pellux
