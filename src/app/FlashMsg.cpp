#include "app/FlashMsg.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

namespace pellux {

FlashMsg::FlashMsg() = default;

FlashMsg::~FlashMsg()
{
    StopMsg();
}

void FlashMsg::DispMsg(const QString &text)
{
    if (!m_window) {
        auto *frame = new QFrame(nullptr, Qt::FramelessWindowHint | Qt::Tool | Qt::WindowStaysOnTopHint);
        frame->setObjectName(QStringLiteral("FlashMsg"));
        frame->setFrameStyle(QFrame::Box | QFrame::Plain);
        frame->setLineWidth(2);
        frame->setAttribute(Qt::WA_ShowWithoutActivating);
        auto *layout = new QVBoxLayout(frame);
        layout->setContentsMargins(24, 16, 24, 16);
        m_msgtxt = new QLabel(QStringLiteral("Please Wait..."), frame);
        m_msgtxt->setObjectName(QStringLiteral("Msgtxt"));
        m_msgtxt->setAlignment(Qt::AlignCenter);
        layout->addWidget(m_msgtxt);
        frame->setMinimumWidth(320);
        m_window = frame;
    }
    m_msgtxt->setText(text);
    m_window->adjustSize();
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->geometry();
        m_window->move(s.x() + (s.width() - m_window->width()) / 2, s.y() + (s.height() - m_window->height()) / 2);
    }
    m_window->show();
    m_window->raise();
    // Painted before the caller goes on with its slow work.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void FlashMsg::StopMsg()
{
    if (!m_window)
        return;
    QWidget *w = m_window;
    m_window = nullptr;
    m_msgtxt = nullptr;
    w->hide();
    w->deleteLater();
}

QString FlashMsg::text() const
{
    return m_msgtxt ? m_msgtxt->text() : QString();
}

} // namespace pellux
