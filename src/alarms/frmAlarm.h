#pragma once

#include "core/NoteRecord.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace pellux {

class Program;

/**
 * The window a due alarm opens: modeless, brought to the front, one per firing,
 * bound to its note's slot. A once-alarm is disabled as the window opens.
 */
class frmAlarm : public QDialog
{
    Q_OBJECT

public:
    explicit frmAlarm(Program &program);
    ~frmAlarm() override;

    /// Shows the alarm of the note in slot \a n.
    void FireAlarm(int n);

    QLabel *lblAlarmID = nullptr;
    QLabel *lblAlarmInfo = nullptr;
    QLabel *lblOnceNotice = nullptr;
    QPushButton *cmdGoTo = nullptr;
    QPushButton *cmdDisable = nullptr;
    QPushButton *cmdOk = nullptr;

    int noteSlot() const { return m_slot; }

private:
    void cmdGoTo_Click();
    void cmdDisable_Click();

    Program &m_program;
    AlarmRecord m_alarm;
    int m_slot = 0;
};

} // namespace pellux
