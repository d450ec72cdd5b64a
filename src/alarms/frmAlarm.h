#pragma once

#include "core/NoteRecord.h"

#include <QDialog>
#include <QPointer>

class QLabel;
class QPushButton;

namespace pellux {

class NoteWindow;
class Program;

/**
 * The window a due alarm opens: modeless, brought to the front, one per firing,
 * bound to its note. A once-alarm is disabled as the window opens; a repeating one
 * offers a button that disables it. The window goes away when it is closed.
 */
class frmAlarm : public QDialog
{
    Q_OBJECT

public:
    explicit frmAlarm(Program &program);
    ~frmAlarm() override;

    /**
     * Shows the alarm of the note in slot \a n and plays its sound to the end; returns
     * after that, so that the next note's alarm follows this one's. While a modal dialog
     * is up nothing is shown: the firing is put off until the last one has closed, and
     * this returns at once.
     */
    void FireAlarm(int n);

    QLabel *Image1 = nullptr;
    QLabel *lblAlarmID = nullptr;
    QLabel *lblAlarmInfo = nullptr;
    QLabel *lblOnceNotice = nullptr;
    QPushButton *cmdGoTo = nullptr;
    QPushButton *cmdDisable = nullptr;
    QPushButton *cmdOk = nullptr;

    int noteSlot() const { return m_slot; }
    /// The alarm as the window took it from its note.
    const AlarmRecord &alarm() const { return m_alarm; }
    /// Whether the window's sound is playing now.
    bool isPlayingSound() const { return m_playing; }

public slots:
    /// Every way of closing comes here (Ok, the close box, Escape): the sound stops.
    void done(int result) override;

private:
    void cmdGoTo_Click();
    void cmdDisable_Click();
    /// The note this window was fired for, wherever it is now; null once it is gone.
    NoteWindow *boundNote() const;
    void bringToFront();

    Program &m_program;
    AlarmRecord m_alarm;
    int m_slot = 0;
    QPointer<NoteWindow> m_note;
    QString m_guid;
    bool m_firing = false;
    bool m_playing = false;
    bool m_closed = false;
};

} // namespace pellux
