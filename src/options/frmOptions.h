#pragma once

#include <QDialog>
#include <QString>

#include <array>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;

namespace pellux {

class Program;

/**
 * "Pellux Program Options": the program-wide settings that are not new-note
 * defaults. The dialog edits copies; "&Apply" (and "Ok") store them in the program's
 * settings, put the tray icon in or out at once and save; "Cancel" stores nothing.
 */
class frmOptions : public QDialog
{
    Q_OBJECT

public:
    explicit frmOptions(Program &program, QWidget *parent = nullptr);
    ~frmOptions() override;

    // "Icon Options"
    QGroupBox *fraIcons;
    QCheckBox *chkSysTray;
    QCheckBox *chkIcon;
    // "AutoSave"
    QGroupBox *fraAutoSave;
    QLabel *Label1;
    QSlider *sldASTime;
    QLabel *lblASDelay;
    // "Note Menu Options": index 0 normal names, 1 short names
    QGroupBox *fraMenus;
    std::array<QRadioButton *, 2> optMenuStyle;
    // "Include Time and Date on Note Print": index 0 "Yes", 1 "No"
    QGroupBox *fraPrint;
    std::array<QRadioButton *, 2> optNoteTD;
    // "E-Mail Settings"
    QGroupBox *fraEMail;
    QLabel *Label2;
    QLineEdit *txtEMail;
    QLabel *Label3;
    QLineEdit *txtReturn;
    QGroupBox *fraEMailType;
    std::array<QRadioButton *, 2> optEMailFormat;
    QGroupBox *fraAuth;
    QLabel *Label4;
    QLineEdit *txtUserID;
    QLabel *Label5;
    QLineEdit *txtPassword;
    QLabel *Label6;
    /// Says where the password is kept when the desktop's secret store is not there.
    QLabel *lblPasswordStore;
    QPushButton *cmdOK;
    QPushButton *cmdCancel;
    QPushButton *cmdApply;

    /// The minutes of the slider's current position: what "&Apply" stores.
    int autoSaveMinutes() const { return m_minutes; }

    /// The opening steps: every control takes its setting.
    void Form_Load();
    void cmdApply_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void sldASTime_Change(int position);

private:
    void chkIcon_Click();
    void chkSysTray_Click();

    Program &m_program;
    QButtonGroup *m_menuStyle;
    QButtonGroup *m_noteTD;
    QButtonGroup *m_emailFormat;
    int m_minutes = 5;
    /// The password as the store gave it: only a changed field is written back.
    QString m_loadedPassword;
};

} // namespace pellux
