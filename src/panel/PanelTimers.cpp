#include "panel/PanelTimers.h"

#include "app/Program.h"
#include "panel/NCP.h"
#include "platform/Clock.h"
#include "platform/SystemQueries.h"

#include <QCoreApplication>

namespace pellux {

namespace {

const QString kCaptionNormal = QStringLiteral("Pellux: Note Control");
const QString kCaptionMinimised = QStringLiteral("Pellux");

} // namespace

PanelTimers::PanelTimers(Program &program, NCP &panel)
    : m_program(program)
    , m_panel(panel)
{
    tmrAutoSave.setInterval(60000);
    tmrTrayCheck.setInterval(5000);
    tmrWindowCheck.setInterval(100);
    connect(&tmrAutoSave, &QTimer::timeout, this, &PanelTimers::tmrAutoSave_Timer);
    connect(&tmrTrayCheck, &QTimer::timeout, this, &PanelTimers::tmrTrayCheck_Timer);
    connect(&tmrWindowCheck, &QTimer::timeout, this, &PanelTimers::tmrWindowCheck_Timer);
}

PanelTimers::~PanelTimers() = default;

void PanelTimers::start()
{
    tmrTrayCheck.start();
}

void PanelTimers::enableNoteTimers(bool on)
{
    if (on) {
        tmrAutoSave.start();
        tmrWindowCheck.start();
    } else {
        tmrAutoSave.stop();
        tmrWindowCheck.stop();
    }
}

void PanelTimers::tmrAutoSave_Timer()
{
    if (m_program.settings.AutoSave <= 0)
        return;
    // A save whose error message is still up lets the minutes pass rather than stack a second one.
    if (m_autoSaving)
        return;
    ++m_autoSaveCounter;
    if (m_autoSaveCounter < m_program.settings.AutoSave)
        return;
    m_autoSaving = true;
    const QString caption = m_panel.windowTitle();
    const bool wasMinimised = m_panel.isMinimized();
    m_panel.setWindowTitle(QStringLiteral("(AutoSaving)"));
    QCoreApplication::processEvents();
    m_program.SaveNotes();
    QCoreApplication::processEvents();
    // A panel minimised or restored meanwhile gets the caption of its new state.
    if (m_panel.isMinimized() == wasMinimised)
        m_panel.setWindowTitle(caption);
    else
        m_panel.setWindowTitle(m_panel.isMinimized() ? kCaptionMinimised : kCaptionNormal);
    m_autoSaveCounter = 0;
    m_autoSaving = false;
}

void PanelTimers::tmrTrayCheck_Timer()
{
    m_panel.tray().refresh();
}

void PanelTimers::tmrWindowCheck_Timer()
{
    // Ten times a second: only cheap questions here, the desktop's answers are cached.
    m_program.CheckRollUp();

    // The local minute can only change when the epoch minute does (time-zone offsets
    // are whole minutes), so the local time, which costs a time-zone lookup, is read
    // once a minute rather than on every tick.
    const qint64 ms = m_program.clock().msecsSinceEpoch();
    const qint64 epochMinute = ms >= 0 ? ms / 60000 : -((-ms + 59999) / 60000);
    if (epochMinute != m_lastEpochMinute) {
        m_lastEpochMinute = epochMinute;
        const int minute = m_program.clock().now().time().minute();
        if (minute != m_lastMinute) {
            m_lastMinute = minute;
            if (m_alarmSweep)
                m_alarmSweep();
            else
                m_program.CheckAlarms();
        }
    }

    const int saver = m_program.system().screenSaverActive() ? 1 : 0;
    if (saver != m_lastScreenSaver) {
        const bool ended = m_lastScreenSaver == 1;
        m_lastScreenSaver = saver;
        if (ended)
            m_program.RefreshNotes();
    }

    if (m_program.IsWin2000Plus) {
        const int locked = m_program.system().sessionLocked() ? 1 : 0;
        if (locked != m_lastLocked) {
            const bool unlocked = m_lastLocked == 1;
            m_lastLocked = locked;
            if (unlocked)
                m_program.RefreshNotes();
        }
    }
}

} // namespace pellux
