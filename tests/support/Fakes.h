#pragma once

#include "platform/Clock.h"
#include "platform/ScreenMetrics.h"
#include "platform/SystemQueries.h"

#include <QPointer>
#include <QWidget>

namespace pellux::test {

/// A clock that stands still until the test moves it; waiting moves it at once.
class FakeClock : public Clock
{
public:
    explicit FakeClock(const QDateTime &start = QDateTime(QDate(2026, 12, 10), QTime(10, 30, 15, 250)))
        : m_now(start) {}
    QDateTime now() const override { return m_now; }
    void waitUntil(const QDateTime &moment) override
    {
        ++m_waits;
        if (moment > m_now)
            m_now = moment;
    }
    void set(const QDateTime &t) { m_now = t; }
    void advanceMs(qint64 ms) { m_now = m_now.addMSecs(ms); }
    int waits() const { return m_waits; }

private:
    QDateTime m_now;
    int m_waits = 0;
};

/// 96 DPI (15 twips a pixel) and a 1280 x 1024 screen unless told otherwise; the work
/// area leaves a 40-pixel panel at the bottom.
class FakeScreen : public ScreenMetrics
{
public:
    int tppX = 15;
    int tppY = 15;
    int widthPx = 1280;
    int heightPx = 1024;
    int panelPx = 40;
    int queryTwipsPerPixelX() const override { return tppX; }
    int queryTwipsPerPixelY() const override { return tppY; }
    int screenWidthTwips() const override { return widthPx * tppX; }
    int screenHeightTwips() const override { return heightPx * tppY; }

    /// The screens' available areas in pixels, the primary first; empty: the primary
    /// screen above, whole.
    QList<QRect> screens;
    QList<QRect> availableGeometries() const override
    {
        return screens.isEmpty() ? ScreenMetrics::availableGeometries() : screens;
    }
    /// The screens changed (one went, one came, an area shrank): the listener hears of it.
    void setScreens(const QList<QRect> &now)
    {
        screens = now;
        announceScreensChanged();
    }
    /// Pixels; empty: the whole screen less the panel.
    QRect availablePx;
    int titleBarPx = 20;
    QRect availableAreaTwips() const override
    {
        const QRect a = availablePx.isEmpty() ? QRect(0, 0, widthPx, heightPx - panelPx) : availablePx;
        return QRect(a.x() * tppX, a.y() * tppY, a.width() * tppX, a.height() * tppY);
    }
    int titleBarHeightTwips() const override { return titleBarPx * tppY; }
};

class FakeSystem : public SystemQueries
{
public:
    QString name = QStringLiteral("TESTPC");
    QString temp;
    QString appData;
    int osMajor = 6;
    QPointer<QWidget> foreground;
    bool screenSaver = false;
    bool locked = false;
    int doubleClickMs = 400;

    QString computerName() const override { return name; }
    QString tempFolder() const override { return temp; }
    QString appDataFolder() const override { return appData; }
    int osMajorVersion() const override { return osMajor; }
    QWidget *foregroundWindow() const override { return foreground.data(); }
    bool screenSaverActive() const override { return screenSaver; }
    bool sessionLocked() const override { return locked; }
    int doubleClickTime() const override { return doubleClickMs; }
    QList<QUrl> openedUrls;
    bool openUrl(const QUrl &url) override
    {
        openedUrls.append(url);
        return true;
    }
};

} // namespace pellux::test
