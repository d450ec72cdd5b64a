#pragma once

#include "platform/Clock.h"
#include "platform/ScreenMetrics.h"
#include "platform/SystemQueries.h"

#include <QDateTime>
#include <QDir>
#include <QRect>
#include <QUrl>

namespace pellux::bench {

/// A clock stopped at one minute, so no alarm or auto-save falls due while measuring.
class StillClock : public Clock
{
public:
    QDateTime now() const override { return QDateTime(QDate(2026, 12, 10), QTime(10, 30)); }
    void waitUntil(const QDateTime &) override {}
};

/// A 1280 x 1024 screen at 96 DPI (15 twips a pixel).
class Screen96 : public ScreenMetrics
{
public:
    int availableHeightPx = 1024;   ///< less a desktop panel, where a benchmark wants one
    int queryTwipsPerPixelX() const override { return 15; }
    int queryTwipsPerPixelY() const override { return 15; }
    int screenWidthTwips() const override { return 1280 * 15; }
    int screenHeightTwips() const override { return 1024 * 15; }
    QRect availableAreaTwips() const override { return QRect(0, 0, 1280 * 15, availableHeightPx * 15); }
};

/// A system with no foreground window, no screen saver and no browser.
class QuietSystem : public SystemQueries
{
public:
    QString computerName() const override { return QStringLiteral("BENCH"); }
    QString tempFolder() const override { return QDir::tempPath(); }
    QString appDataFolder() const override { return dataFolder; }
    int osMajorVersion() const override { return 6; }
    QWidget *foregroundWindow() const override { return nullptr; }
    bool screenSaverActive() const override { return false; }
    bool sessionLocked() const override { return false; }
    int doubleClickTime() const override { return 400; }
    bool openUrl(const QUrl &) override { return false; }
    QString dataFolder;
};

} // namespace pellux::bench
