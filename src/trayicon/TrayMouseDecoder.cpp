#include "TrayMouseDecoder.h"

namespace halotray {

namespace {

int slotOf(int button)
{
    switch (button) {
    case 1: return 0;
    case 2: return 1;
    case 4: return 2;
    default: return -1;
    }
}

} // namespace

TrayMouseDecoder::TrayMouseDecoder(DoubleClickTime doubleClickTime, const ClickTimerFactory &makeTimer,
                                   EventSink sink)
    : m_doubleClickTime(std::move(doubleClickTime))
    , m_sink(std::move(sink))
{
    for (int button : kButtons) {
        auto &timer = m_timers[slotOf(button)];
        timer = makeTimer();
        timer->setInterval(m_doubleClickTime());
        timer->setTimeoutHandler([this, button] { timerStep(button); });
    }
}

ClickTimer *TrayMouseDecoder::timer(int button) const
{
    const int slot = slotOf(button);
    return slot < 0 ? nullptr : m_timers[slot].get();
}

void TrayMouseDecoder::resetIdleIntervals()
{
    // The user may change the double-click time while the program runs; a running
    // timer keeps the interval it was started with.
    const int interval = m_doubleClickTime();
    for (auto &timer : m_timers) {
        if (!timer->isActive())
            timer->setInterval(interval);
    }
}

void TrayMouseDecoder::notify(int message)
{
    resetIdleIntervals();
    if (message == 512) {
        m_sink(TrayMouseEvent::Move, 0);
        return;
    }
    if (message < 513 || message > 521)
        return;
    const int offset = message - 513;
    const int button = 1 << (offset / 3);
    switch (offset % 3) {
    case 0:
        m_sink(TrayMouseEvent::Down, button);
        break;
    case 1:
        m_sink(TrayMouseEvent::Up, button);
        releaseStep(button);
        break;
    case 2:
        m_sink(TrayMouseEvent::DblClick, button);
        break;
    }
}

void TrayMouseDecoder::releaseStep(int button)
{
    ClickTimer *t = timer(button);
    if (t->isActive())
        t->stop(); // second release of a double click: no single click
    else
        t->start();
}

void TrayMouseDecoder::timerStep(int button)
{
    // Stop before raising: a host that opens a dialog from the click handler runs a
    // nested event loop, and a still-running timer would click again inside it.
    timer(button)->stop();
    m_sink(TrayMouseEvent::Click, button);
}

} // namespace halotray
