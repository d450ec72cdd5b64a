#include "ClickTimer.h"

#include <QTimer>

namespace halotray {

QtClickTimer::QtClickTimer()
    : m_timer(std::make_unique<QTimer>())
{
    m_timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(m_timer.get(), &QTimer::timeout, m_timer.get(), [this] { timedOut(); });
}

QtClickTimer::~QtClickTimer() = default;

void QtClickTimer::setInterval(int milliseconds) { m_timer->setInterval(milliseconds); }
int QtClickTimer::interval() const { return m_timer->interval(); }
void QtClickTimer::start() { m_timer->start(); }
void QtClickTimer::stop() { m_timer->stop(); }
bool QtClickTimer::isActive() const { return m_timer->isActive(); }

} // namespace halotray
