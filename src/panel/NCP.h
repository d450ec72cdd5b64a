#pragma once

#include "core/NoteRecord.h"

#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

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

/**
 * The Note Control Panel: the program's main window. It lists every note slot,
 * carries the commands on one note or on all of them, holds the defaults for new
 * notes (the sample's font and colours and three check boxes), the status line,
 * the tray icon and the program's timers.
 *
 * The note commands and the "&Config" tab live in NCP.cpp; the lifecycle (load,
 * sizing, minimise to the tray, the exit question, the timers and the tray
 * events) lives in NcpLifecycle.cpp.
 */
class NCP : public QWidget
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

    // ---- timers ---------------------------------------------------------------
    QTimer tmrAutoSave;         ///< 60 s, enabled by the store load
    QTimer tmrTrayCheck;        ///< 5 s, enabled from the start
    QTimer tmrWindowCheck;      ///< 100 ms, enabled by the store load

    /// The tray icon control (created by its registered class name; null when unavailable).
    QPointer<QObject> TrayNot;

    // ---- the new-note defaults ------------------------------------------------
    /// The sample's font and colours: the style new notes get.
    NoteStyle sampleStyle() const { return m_sample; }
    /// Applies a style to the sample (font and colours of NoteSample).
    void setSampleStyle(const NoteStyle &style);
    /// Font of the note list, the default of the "Font" settings.
    NoteStyle listFontStyle() const;

    // ---- operations other parts call ----------------------------------------
    /// Status panel 1 shows \a text; nothing happens when it already does.
    void UpdateStat(const QString &text);
    /// The default status text: product, " for Windows v", version.
    QString defaultStatusText() const;
    /// Rebuilds the sample text from the sample's font.
    void UpdateSample();
    /// Deletes the note in \a slot (asks unless \a silent; refuses protected notes unless silent).
    void DelNote(int slot, bool silent);
    /// Refreshes the note commands for the current selection.
    void NoteList_Click();
    /// Sets list entry slot-1 (the note's title as the panel lists it).
    void setListEntry(int slot, const QString &text);
    QString listEntry(int slot) const;
    void appendListEntry(const QString &text);

    void mnuPelluxAdd();
    void mnuPelluxControl();
    void mnuPelluxExit();
    void mnuPelluxHideAll();
    void mnuPelluxNoteup();
    void mnuPelluxShowAll();
    void cmdAbout_Click();
    void cmdProgOpt_Click();

    // ---- lifecycle (NcpLifecycle.cpp) ----------------------------------------
    /// Size and place the panel from the "High", "Wide", "Top", "Left" settings.
    void applyStoredGeometry();
    /// The panel's load step: tray menu, tray icon, home position, window state, status text.
    void Form_Load();
    /// Enables the auto-save and window-check timers (the store load calls this).
    void enableNoteTimers(bool on);
    /// The sizing procedure run on every resize.
    void Form_Resize();
    /// One auto-save tick.
    void tmrAutoSave_Timer();
    void tmrTrayCheck_Timer();
    void tmrWindowCheck_Timer();
    /// Tray events from TrayNot.
    void TrayNot_MouseClick(int Button);
    void TrayNot_MouseDblClick(int Button);
    /// 0 normal, 1 minimised, 2 maximised.
    int WindowStateValue() const;

    /// The sweeps' state (tests read them).
    int autoSaveCounter() const { return m_autoSaveCounter; }
    int lastMinute() const { return m_lastMinute; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Program &m_program;

    // ---- state of the note commands and the "&Config" tab (NCP.cpp) ----------
    void buildControls();
    void connectControls();
    NoteStyle m_sample;

    /// The selected slot (list index + 1), or 0 when nothing is selected.
    int selectedSlot() const;
    /// Status-line hint of a control; empty for objects that carry none.
    QString hintFor(const QObject *control) const;
    /// Marks a command whose window this build does not have yet.
    void markUnavailable(QPushButton *button);
    bool isUnavailable(const QPushButton *button) const;
    void NoteList_OLEDragDrop(const QString &path);

    QList<QObject *> m_hinted;                  ///< controls whose pointer moves update the status line
    QList<const QPushButton *> m_unavailable;   ///< disabled until their windows exist
    QPointer<frmAddNote> m_chooser;

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

private:

    // ---- state of the lifecycle, timers and tray (NcpLifecycle.cpp) -----------
    /// Tests replace the window check's alarm sweep through this.
    friend struct NcpLifecycleProbe;
    void createTrayControl();
    /// Whether a minimised panel may leave the taskbar: its tray icon is there to
    /// bring it back, or the user chose to have neither icon.
    bool mayHideWhenMinimised() const;
    void hideWhenMinimisedLater();
    /// Puts the window's frame (title bar included) at \a topLeft.
    void moveFrameTo(const QPoint &topLeft);
    /// Size calibration of one direction; returns the outer size (twips) it settled on.
    int calibrate(int outerTwips, int neededTwips, int stepTwips, bool vertical);
    void popupTrayMenu();
    void activatePanel();

    std::function<void()> m_alarmSweep;     ///< empty: the program's CheckAlarms
    int m_autoSaveCounter = 0;
    int m_lastMinute = 0;
    /// Minutes since the epoch at the last look at the local time (none yet).
    qint64 m_lastEpochMinute = -1;
    int m_lastScreenSaver = 0;
    int m_lastLocked = 0;
    bool m_resizeInProgress = false;
    bool m_closing = false;
    bool m_autoSaving = false;
    bool m_hidePending = false;
    /// Client area's offset inside the desktop's frame, as last seen.
    QPoint m_frameOffset;
};

} // namespace pellux
