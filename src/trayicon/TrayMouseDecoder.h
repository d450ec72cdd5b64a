#pragma once

#include "ClickTimer.h"

#include <array>
#include <functional>
#include <memory>

namespace halotray {

/// The five things the control reports about the mouse on its icon.
enum class TrayMouseEvent { Click, DblClick, Up, Down, Move };

/**
 * Turns the shell's mouse messages for the icon (512 to 521) into the control's
 * events, telling a single click from a double click per button with one timer per
 * button. A release starts the button's timer; a second release while it runs is the
 * end of a double click and cancels it; an expiry is a single click.
 */
class TrayMouseDecoder
{
public:
    using EventSink = std::function<void(TrayMouseEvent event, int button)>;
    using DoubleClickTime = std::function<int()>;

    static constexpr int kButtons[3] = {1, 2, 4};

    TrayMouseDecoder(DoubleClickTime doubleClickTime, const ClickTimerFactory &makeTimer, EventSink sink);

    /// One notification from the shell. Numbers outside the table are ignored.
    void notify(int message);

    /// The timer of button 1, 2 or 4, or nullptr for any other number.
    ClickTimer *timer(int button) const;

private:
    void resetIdleIntervals();
    void releaseStep(int button);
    void timerStep(int button);

    DoubleClickTime m_doubleClickTime;
    EventSink m_sink;
    std::array<std::unique_ptr<ClickTimer>, 3> m_timers;
};

} // namespace halotray
