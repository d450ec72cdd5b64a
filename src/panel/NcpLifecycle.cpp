#include "core/app/Program.h"
#include "panel/NCP.h"
#include "panel/frmPelluxMenu.h"
#include "platform/Clock.h"
#include "platform/Prompts.h"
#include "platform/ScreenMetrics.h"

#include <QApplication>
#include <QCloseEvent>

namespace pellux {

void NCP::Form_Load()
{
    QCoreApplication::processEvents();
    m_program.trayMenu();
    tmrAutoSave.setInterval(60000);
    tmrTrayCheck.setInterval(5000);
    tmrWindowCheck.setInterval(100);
    connect(&tmrAutoSave, &QTimer::timeout, this, &NCP::tmrAutoSave_Timer);
    connect(&tmrTrayCheck, &QTimer::timeout, this, &NCP::tmrTrayCheck_Timer);
    connect(&tmrWindowCheck, &QTimer::timeout, this, &NCP::tmrWindowCheck_Timer);
    tmrTrayCheck.start();
    UpdateStat(defaultStatusText());
}

void NCP::applyStoredGeometry()
{
    const int tx = qMax(1, m_program.screen().twipsPerPixelX());
    const int ty = qMax(1, m_program.screen().twipsPerPixelY());
    move(m_program.settings.Left / tx, m_program.settings.Top / ty);
}

void NCP::enableNoteTimers(bool on)
{
    if (on) {
        tmrAutoSave.start();
        tmrWindowCheck.start();
    } else {
        tmrAutoSave.stop();
        tmrWindowCheck.stop();
    }
}

int NCP::WindowStateValue() const
{
    if (isMinimized())
        return 1;
    if (isMaximized())
        return 2;
    return 0;
}

void NCP::Form_Resize() {}

void NCP::tmrAutoSave_Timer()
{
    if (m_program.settings.AutoSave <= 0)
        return;
    ++m_autoSaveCounter;
    if (m_autoSaveCounter >= m_program.settings.AutoSave) {
        const QString caption = windowTitle();
        setWindowTitle(QStringLiteral("(AutoSaving)"));
        QCoreApplication::processEvents();
        m_program.SaveNotes();
        QCoreApplication::processEvents();
        setWindowTitle(caption);
        m_autoSaveCounter = 0;
    }
}

void NCP::tmrTrayCheck_Timer() {}

void NCP::tmrWindowCheck_Timer()
{
    m_program.CheckRollUp();
    const int minute = m_program.clock().now().time().minute();
    if (minute != m_lastMinute) {
        m_lastMinute = minute;
        m_program.CheckAlarms();
    }
}

void NCP::TrayNot_MouseClick(int Button)
{
    Q_UNUSED(Button);
}

void NCP::TrayNot_MouseDblClick(int Button)
{
    Q_UNUSED(Button);
}

void NCP::mnuPelluxControl()
{
    QCoreApplication::processEvents();
    setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
    show();
    raise();
    activateWindow();
}

void NCP::mnuPelluxAdd() {}
void NCP::mnuPelluxHideAll() {}
void NCP::mnuPelluxNoteup() {}
void NCP::mnuPelluxShowAll() {}

void NCP::mnuPelluxExit()
{
    close();
}

void NCP::closeEvent(QCloseEvent *event)
{
    if (!m_program.exitConfirmed) {
        const MsgResult r = m_program.prompts().message(QStringLiteral("Are you sure you want to exit Pellux now?"),
                                                        MsgIcon::None, MsgButtons::YesNo);
        if (r != MsgResult::Yes) {
            event->ignore();
            return;
        }
    }
    event->accept();
    m_program.ShutDown();
}

void NCP::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
}

void NCP::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
}

bool NCP::eventFilter(QObject *watched, QEvent *event)
{
    return QWidget::eventFilter(watched, event);
}

} // namespace pellux
