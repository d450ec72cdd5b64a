#pragma once

#include "app/ControlPanel.h"
#include "core/NoteRecord.h"
#include "panel/PanelTimers.h"
#include "panel/PanelTray.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QStatusBar;
class QTabWidget;

namespace pellux {

class Program;
class frmAddNote;
class frmPelluxMenu;

/**
 * The Note Control Panel: the program's main window. Its list shows every slot of
 * the note table (following the table's signals), its buttons run the hub's note
 * commands on the selected slot, and its "&Config" tab edits the new-note defaults
 * (the sample's font and colours and three check boxes) that the program keeps.
 * The timers and the tray icon are parts of their own (PanelTimers, PanelTray).
 */
class NCP : public QWidget, public ControlPanel
{
    Q_OBJECT

public:
    explicit NCP(Program &program);
    ~NCP() override;

    Program &program() const { return m_program; }

    // ---- controls ("N&ote Control" tab) -------------------------------------
    QTabWidget *SSTab1 = nullptr;
    QStatusBar *Stats = nullptr;
    QLabel *Label1 = nullptr;
    QListWidget *NoteList = nullptr;
    QLabel *lblProtect = nullptr;
    QPushButton *AddNote = nullptr;
    QPushButton *cmdEditTitle = nullptr;
    QPushButton *SHButton = nullptr;
    QPushButton *cmdSHAll = nullptr;
    QPushButton *cmdDelNote = nullptr;
    QPushButton *cmdSearch = nullptr;
    QPushButton *cmdPrint = nullptr;
    QPushButton *cmdEMail = nullptr;
    QPushButton *cmdGO = nullptr;
    QPushButton *cmdBring = nullptr;

    // ---- controls ("&Config" tab) -------------------------------------------
    QGroupBox *Frame1 = nullptr;
    QCheckBox *chkDynamicTitle = nullptr;
    QCheckBox *chkAlwaysOnTop = nullptr;
    QCheckBox *chkRollup = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *NoteSample = nullptr;
    QPushButton *SelFont = nullptr;
    QPushButton *FGColorSet = nullptr;
    QPushButton *BGColorSet = nullptr;
    QPushButton *cmdAbout = nullptr;
    QPushButton *cmdProgOpt = nullptr;
    QPushButton *cmdSaveSet = nullptr;
    QPushButton *cmdSavNoteNow = nullptr;
    QPushButton *cmdResetNotes = nullptr;
    QPushButton *cmdConvDynTitle = nullptr;

    /// The auto-save, tray-check and window-check timers.
    PanelTimers &timers() { return m_timers; }
    /// The tray icon and its events.
    PanelTray &tray() { return m_tray; }
    /// The tray menu (created by the panel's load step).
    frmPelluxMenu &trayMenu();

    // ---- the new-note defaults ------------------------------------------------
    /// The sample's font and colours: the style new notes get.
    NoteStyle sampleStyle() const;
    /// Sets the new-note font and colours (the program keeps them; the sample shows them).
    void setSampleStyle(const NoteStyle &style);
    /// Font of the note list, the default of the "Font" settings.
    NoteStyle listFontStyle() const override;

    // ---- operations other parts call ----------------------------------------
    /// Status panel 1 shows \a text; nothing happens when it already does.
    void UpdateStat(const QString &text);
    /// The default status text: product, " for Windows v", version.
    QString defaultStatusText() const;
    /// Rebuilds the sample text from the sample's font.
    void UpdateSample();
    /// Refreshes the note commands for the current selection.
    void NoteList_Click();
    /// List entry slot-1: the note's title as the panel lists it ("(Deleted)" for an empty slot).
    QString listEntry(int slot) const;

    void mnuPelluxAdd();
    void mnuPelluxControl();
    void mnuPelluxExit();

    // ---- lifecycle -------------------------------------------------------------
    /// Size and place the panel from the "High", "Wide", "Top", "Left" settings.
    void applyStoredGeometry();
    /// The panel's load step: tray menu, tray icon, home position, window state, status text.
    void Form_Load();
    /// The sizing procedure run on every resize.
    void Form_Resize();
    /// 0 normal, 1 minimised, 2 maximised.
    int WindowStateValue() const;

    // ---- the panel as the program's spine sees it -----------------------------------
    QWidget *window() override { return this; }
    void settingsLoaded() override;
    void setNoteTimersEnabled(bool on) override { m_timers.enableNoteTimers(on); }
    void removeTrayIcon() override { m_tray.remove(); }
    void setTrayIconShown(bool on) override { m_tray.show(on); }
    int windowStateValue() const override { return WindowStateValue(); }
    void bringUp() override { mnuPelluxControl(); }
    void requestExit() override { mnuPelluxExit(); }
    void unloadTrayMenu() override;

    /// A minimised panel that may leave the taskbar leaves it once the state change is over.
    void hideWhenMinimisedLater();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void connectControls();
    void followNoteTable();
    /// The sample box shows the program's new-note defaults (and the check boxes theirs).
    void showNoteDefaults();

    /// The selected slot (list index + 1), or 0 when nothing is selected.
    int selectedSlot() const;
    /// Status-line hint of a control; empty for objects that carry none.
    QString hintFor(const QObject *control) const;
    /// Disables a command the hub does not have in this build.
    void markUnavailable(QPushButton *button);
    bool isUnavailable(const QPushButton *button) const;
    void NoteList_OLEDragDrop(const QString &path);

    // ---- list entries, kept in step with the note table -----------------------------
    void onNoteAdded(int slot);
    void onNoteRemoved(int slot);
    void onNoteRetitled(int slot);
    void onNoteChanged(int slot);

    // ---- sizing and the tray ----------------------------------------------------------
    /// Whether a minimised panel may leave the taskbar: its tray icon is there to
    /// bring it back, or the user chose to have neither icon.
    bool mayHideWhenMinimised() const;
    /// Puts the window's frame (title bar included) at \a topLeft.
    void moveFrameTo(const QPoint &topLeft);
    /// Size calibration of one direction; returns the outer size (twips) it settled on.
    int calibrate(int outerTwips, int neededTwips, int stepTwips, bool vertical);
    void activatePanel();

    Program &m_program;
    PanelTimers m_timers;
    PanelTray m_tray;
    std::unique_ptr<frmPelluxMenu> m_trayMenu;
    /// The tray menu after shutdown unloaded it (it may be handling the click that ended the program).
    std::unique_ptr<frmPelluxMenu> m_unloadedTrayMenu;
    /// The sample as last shown, so a change of its font rebuilds the sample text.
    NoteStyle m_shownSample;
    QList<QObject *> m_hinted;                  ///< controls whose pointer moves update the status line
    QList<const QPushButton *> m_unavailable;   ///< disabled: the hub has no such command in this build
    QPointer<frmAddNote> m_chooser;
    bool m_resizeInProgress = false;
    bool m_closing = false;
    bool m_hidePending = false;
    /// Client area's offset inside the desktop's frame, as last seen.
    QPoint m_frameOffset;

    // The commands behind the controls (slots, so that a test can run one that is
    // disabled in this build by its name).
private slots:
    void AddNote_Click();
    void SHButton_Click();
    void cmdSHAll_Click();
    void cmdGO_Click();
    void cmdBring_Click();
    void cmdDelNote_Click();
    void cmdEditTitle_Click();
    void cmdSearch_Click();
    void cmdPrint_Click();
    void cmdEMail_Click();
    void NoteList_DblClick();
    void SelFont_Click();
    void FGColorSet_Click();
    void BGColorSet_Click();
    void chkDefault_Click();
    void cmdResetNotes_Click();
    void cmdConvDynTitle_Click();
    void cmdSaveSet_Click();
    void cmdSavNoteNow_Click();
    void cmdAbout_Click();
    void cmdProgOpt_Click();
};

} // namespace pellux
