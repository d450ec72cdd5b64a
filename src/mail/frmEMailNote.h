#pragma once

#include <QDialog>
#include <QPointer>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace pellux {

class NoteWindow;
class Program;

/**
 * "E-Mail a Note": the recipient, the subject and the kind of body. Modeless, one
 * instance per command; "Ok" hands the note window's EMailNote the answers and the
 * dialog goes.
 */
class frmEMailNote : public QDialog
{
    Q_OBJECT

public:
    explicit frmEMailNote(Program &program);

    /**
     * Asks for a missing SMTP server or return address until both are set (each "Yes"
     * opens the Program Options), then shows the dialog for the note in \a slot. False
     * when the user declined, or there is no note there: the dialog was not shown.
     */
    bool MailANote(int slot);

    int slot() const { return m_slot; }

    QLabel *Label1 = nullptr;
    QLineEdit *txtEMailAddr = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *txtSubject = nullptr;
    QGroupBox *fraDefEmail = nullptr;
    QRadioButton *optEMailFormat0 = nullptr;    ///< "&HTML Enahanced"
    QRadioButton *optEMailFormat1 = nullptr;    ///< "Plain &Text"
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;

private:
    void cmdOK_Click();
    /// True when the setting is there; otherwise asks "Fix This Now?" (Yes opens the options).
    bool settingPresent(const QString &value, const QString &missingText, bool *declined);

    Program &m_program;
    int m_slot = 0;
    /// The note the dialog was opened for: a note deleted meanwhile is not mailed.
    QPointer<NoteWindow> m_note;
};

} // namespace pellux
