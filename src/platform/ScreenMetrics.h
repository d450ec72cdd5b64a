#pragma once

#include <QList>
#include <QRect>

#include <functional>
#include <utility>

namespace pellux {

/**
 * Screen measures in twips (1/1440 inch). Window geometry is held in twips and
 * written to the store in pixels, so every conversion goes through here. It also
 * names the screens and their usable areas, so that a window left outside every
 * screen (a monitor unplugged, a smaller screen) can be brought back.
 */
class ScreenMetrics
{
public:
    virtual ~ScreenMetrics() = default;
    /**
     * 1440 / logical DPI of the primary screen; 15 at 96 DPI. A screen that reports no
     * usable factor (0 or less) counts as 96 DPI, so every conversion may divide by it.
     */
    int twipsPerPixelX() const { return guarded(queryTwipsPerPixelX()); }
    int twipsPerPixelY() const { return guarded(queryTwipsPerPixelY()); }
    virtual int screenWidthTwips() const = 0;
    virtual int screenHeightTwips() const = 0;
    /// The part of the screen that windows may take (the screen less docks and panels).
    virtual QRect availableAreaTwips() const { return QRect(0, 0, screenWidthTwips(), screenHeightTwips()); }
    /// The height of a window's title bar as the desktop draws it: new windows cascade by it.
    /// A screen that cannot tell counts the 20 pixels of a usual title bar.
    virtual int titleBarHeightTwips() const { return 20 * twipsPerPixelY(); }

    /**
     * The available geometry (without the desktop's panels and docks) of every screen,
     * in pixels of the whole desktop, the primary screen first. By default the primary
     * screen alone, whole.
     */
    virtual QList<QRect> availableGeometries() const
    {
        return {QRect(0, 0, screenWidthTwips() / twipsPerPixelX(), screenHeightTwips() / twipsPerPixelY())};
    }

    /// \a handler runs whenever a screen comes, goes or changes its available geometry
    /// (one listener; an empty handler stops listening).
    void onScreensChanged(std::function<void()> handler)
    {
        m_changed = std::move(handler);
        watchScreens();
    }

protected:
    /// What the screen reports, unguarded.
    virtual int queryTwipsPerPixelX() const = 0;
    virtual int queryTwipsPerPixelY() const = 0;
    /// Starts following the desktop's screens (called when a listener is set).
    virtual void watchScreens() {}
    void announceScreensChanged() const
    {
        if (m_changed)
            m_changed();
    }

private:
    static int guarded(int tpp) { return tpp > 0 ? tpp : 15; }
    std::function<void()> m_changed;
};

} // namespace pellux
