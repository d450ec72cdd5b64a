#pragma once

namespace pellux {

/**
 * Screen measures in twips (1/1440 inch). Window geometry is held in twips and
 * written to the store in pixels, so every conversion goes through here.
 */
class ScreenMetrics
{
public:
    virtual ~ScreenMetrics() = default;
    /// 1440 / logical DPI of the primary screen; 15 at 96 DPI.
    virtual int twipsPerPixelX() const = 0;
    virtual int twipsPerPixelY() const = 0;
    virtual int screenWidthTwips() const = 0;
    virtual int screenHeightTwips() const = 0;
};

} // namespace pellux
