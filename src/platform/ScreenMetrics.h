#pragma once

namespace pellux {

/// A rectangle of the desktop in twips.
struct TwipsRect
{
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int right() const { return left + width; }
    int bottom() const { return top + height; }
};

/**
 * Screen measures in twips (1/1440 inch). Window geometry is held in twips and
 * written to the store in pixels, so every conversion goes through here.
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
    /// The primary screen's work area: the desktop less the panels and docks.
    virtual TwipsRect workAreaTwips() const = 0;

protected:
    /// What the screen reports, unguarded.
    virtual int queryTwipsPerPixelX() const = 0;
    virtual int queryTwipsPerPixelY() const = 0;

private:
    static int guarded(int tpp) { return tpp > 0 ? tpp : 15; }
};

} // namespace pellux
