#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

namespace pellux {

class NCP;
class Program;

/**
 * The panel's three timers: every minute the auto-save count, every 5 s a
 * re-insert of the tray icon if the shell lost it, every 100 ms the window check
 * (roll-up, the once-a-minute alarm sweep, a repaint after a screen saver or a lock).
 */
class PanelTimers : public QObject
{
    Q_OBJECT

public:
    PanelTimers(Program &program, NCP &panel);
    ~PanelTimers() override;

    QTimer tmrAutoSave;         ///< 60 s, enabled by the store load
    QTimer tmrTrayCheck;        ///< 5 s, enabled from the start
    QTimer tmrWindowCheck;      ///< 100 ms, enabled by the store load

    /// Sets the intervals and starts the tray check (the panel's load step).
    void start();
    /// Enables the auto-save and window-check timers (the store load calls this).
    void enableNoteTimers(bool on);

    /// One auto-save tick.
    void tmrAutoSave_Timer();
    void tmrTrayCheck_Timer();
    void tmrWindowCheck_Timer();

    /// The sweeps' state (tests read them).
    int autoSaveCounter() const { return m_autoSaveCounter; }
    int lastMinute() const { return m_lastMinute; }
    /// Replaces the window check's alarm sweep (tests count the sweeps).
    void setAlarmSweep(std::function<void()> sweep) { m_alarmSweep = std::move(sweep); }

private:
    Program &m_program;
    NCP &m_panel;
    std::function<void()> m_alarmSweep;     ///< empty: the program's CheckAlarms
    int m_autoSaveCounter = 0;
    int m_lastMinute = 0;
    /// Minutes since the epoch at the last look at the local time (none yet).
    qint64 m_lastEpochMinute = -1;
    int m_lastScreenSaver = 0;
    int m_lastLocked = 0;
    bool m_autoSaving = false;
};

} // namespace pellux
