#pragma once

#include "app/Notes.h"
#include "core/about/AboutRules.h"
#include "core/channel/ControlServer.h"
#include "core/channel/InstanceLock.h"
#include "core/NoteRecord.h"
#include "core/store/StoreTextForms.h"
#include "core/Settings.h"
#include "core/store/StoreFile.h"

#include <QDateTime>
#include <QDomDocument>
#include <QDateTime>
#include <QDomElement>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>

class QWidget;

namespace pellux {

class Clock;
class Commands;
class ControlPanel;
class DesktopNotifier;
class FlashMsg;
class ModalState;
class NoteWindow;
class Program;
class PrintSystem;
class QuickSave;
class ScreenRescue;
class Prompts;
class ScreenMetrics;
class SecretStore;
class SettingsStoreAccess;
class SmtpPasswordStore;
class SoundPlayer;
class SystemQueries;
struct BinaryReadResult;

/// The seams the program runs on; production and tests hand in their own.
struct Services
{
    Prompts &prompts;
    Clock &clock;
    ScreenMetrics &screen;
    SystemQueries &system;
    /// The desktop's secret store (the SMTP password); none: the settings file keeps it.
    SecretStore *secrets = nullptr;
    /// Plays the alarms' sounds; none: a QtSoundPlayer, made when the first sound plays.
    SoundPlayer *sound = nullptr;
    /// Posts the alarms' desktop notifications; none: the session bus's notification
    /// service, reached when the first alarm fires.
    DesktopNotifier *notifier = nullptr;
    /// The printers and the print spooler; none: the desktop's (CUPS).
    PrintSystem *printers = nullptr;
};

/// The note window that was activated last.
struct ActiveNote
{
    qint16 slot = 0;
    QPointer<QWidget> window;
};

/// What a note kind gives the spine: how its windows are rebuilt and how a new one is made.
struct NoteKindProcs
{
    /// Rebuilds a note of this kind from a stored record in \a slot; the caller then sets
    /// its geometry, visibility, identifier and alarm.
    std::function<NoteWindow *(Program &, const StoredNote &, int slot)> fromStored;
    /// Asks for a title and makes a new note; \a title holds the final title. False when
    /// nothing was created.
    std::function<bool(Program &, QString &title)> create;
};

/**
 * The main module: the program-wide state every part reads, start-up and
 * shutdown, the settings, the note store and the sweeps over the open notes.
 * It owns the note table `Notes`, the command hub and the panel.
 */
class Program : public QObject, public ControlTarget
{
    Q_OBJECT

public:
    explicit Program(const Services &services, std::unique_ptr<SettingsStore> settingsStore = nullptr);
    ~Program() override;

    // ---- program-wide state --------------------------------------------------
    const QString ProductName = QStringLiteral("Pellux");
    static constexpr int VersionMajor = 3;
    static constexpr int VersionMinor = 2;
    static constexpr int VersionRevision = 155;
    QString VersionTag;                 ///< empty in this build
    QString VersionText;                ///< "3.2  (Build 155)"
    ProductVersion version() const;
    bool IsWin2000Plus = false;
    QString TempFolder;
    QString DataFolder;                 ///< ends in a separator
    int loading = 0;                    ///< channel commands are refused while >= 1
    bool exitConfirmed = false;         ///< closing the panel asks nothing while set
    ActiveNote activeNote;
    AlarmRecord CurrentAlarm;
    QDomDocument XmlFragmentDoc;
    QDomElement XmlFragment;
    ProgramSettings settings;           ///< program-wide settings, the new-note defaults among them

    // ---- seams and the parts the program owns ------------------------------
    Prompts &prompts() const { return m_services.prompts; }
    Clock &clock() const { return m_services.clock; }
    ScreenMetrics &screen() const { return m_services.screen; }
    SystemQueries &system() const { return m_services.system; }
    SettingsStore &settingsStore() const { return *m_settingsStore; }
    /// The SMTP password: in the secret store, or in the settings where none answers.
    SmtpPasswordStore &smtpPassword();
    /// The alarms' sound player and desktop notifications.
    SoundPlayer &sound();
    DesktopNotifier &notifier();
    /// The system's printers and print spooler.
    PrintSystem &printers();
    /// Up while a modal dialog is: tray clicks are ignored, alarms wait.
    ModalState &modal() const;
    PixelScale pixelScale() const;
    /// The Note Control Panel, created on first use; null when no panel is installed.
    ControlPanel *panel();
    bool hasPanel() const { return m_panel != nullptr; }
    using PanelFactory = std::function<std::unique_ptr<ControlPanel>(Program &)>;
    void setPanelFactory(PanelFactory factory) { m_panelFactory = std::move(factory); }
    Commands &hub() const { return *m_hub; }
    FlashMsg &flash();

    // ---- the note table ------------------------------------------------------
    Notes &notes() { return m_notes; }
    const Notes &notes() const { return m_notes; }
    int upperBound() const { return m_notes.upperBound(); }
    /// The window in \a slot, or null for slot 0, an empty slot or a slot beyond the table.
    NoteWindow *note(int slot) const { return m_notes.window(slot); }
    /// Grows the table by one empty slot and returns its number.
    int growNotes() { return m_notes.grow(); }
    /**
     * Puts a freshly created window into \a slot (one past the end grows the table;
     * a window already there is unloaded first) with the facts of \a entry: the one
     * way a note comes into the table. The window's slot number, caption and menu
     * ticks follow; the panel's list and the tray menu follow the table.
     */
    void placeNote(int slot, NoteWindow *window, NoteEntry entry);
    /// The same with the facts taken from the window as it stands.
    void placeNote(int slot, NoteWindow *window);
    /**
     * Where a note the user just made goes: the first at the place its window takes
     * when it loads, every later one a title bar's height down and right of the last
     * new note, starting again at the top left of the screen's available area where
     * it would leave it. Notes from a store or a file keep their own places.
     */
    void placeNewNote(NoteWindow *window);
    /// Unloads the window in \a slot and empties the slot.
    void unloadNote(int slot);
    /// The table's facts of a note read from a store or a note file (its protection comes with
    /// the window's restoreNotePass, which holds the hash).
    static NoteEntry EntryOf(const StoredNote &note);

    void registerNoteKind(NoteKind kind, NoteKindProcs procs);
    const NoteKindProcs *noteKind(NoteKind kind) const;

    /// The defaults new notes take: the sample's font and colours and the three check boxes.
    NoteDefaults noteDefaults() const;
    /// Sets the new-note font and colours (the panel's sample follows).
    void setSampleStyle(const NoteStyle &style);
    /// Sets the values of the new-note check boxes (the panel's boxes follow).
    void setNewNoteFlags(bool onTop, bool rollUp, bool dynamicTitle);
    void setNewNoteDynamicTitle(bool on);

    // ---- start-up and shutdown ----------------------------------------------
    /**
     * Start-up. Returns an exit code when this process must end now (its work was
     * handed to a running instance), or nullopt when the event loop should run.
     */
    std::optional<int> Main(const QStringList &arguments);
    /// Orderly end: flash, timers off, tray icon off, window state and store saved, windows unloaded.
    void ShutDown();
    /// A termination request (SIGTERM, SIGINT, session end): ShutDown without any question,
    /// or, before the store has loaded, an end without writing it.
    void TerminateRequested();
    void CheckVersion();
    /// Opens the version-check page of the maker's site in the browser.
    void CheckForUpdates();
    QUrl updateCheckUrl() const;
    void GetTempFolder();
    qint16 FindNoteByGUID(const QString &g) const;
    void UnloadNotes();
    void RefreshNotes();
    void CheckRollUp();
    /**
     * One alarm sweep: every note's CheckAlarm at the time taken now. While a modal
     * dialog is up the sweep waits, without an event loop of its own, and goes on
     * when the last dialog has closed; sweeps due meanwhile follow in order.
     */
    void CheckAlarms();
    /// Sweeps begun and not yet through every slot.
    int pendingAlarmSweeps() const { return int(m_sweeps.size()); }
    /**
     * Hands a command line (a note file) to the running instance. True when this start
     * has done its work (handed over, or told the user the file does not exist); false
     * when no instance answered: this start goes on and imports the file itself.
     */
    bool SendCommandLine(const QString &commandLine);
    /// True when another instance answered and was told to show its panel (or, with a
    /// command-line file waiting, was handed that file).
    bool ActivateRunningInstance();

    // ---- settings ------------------------------------------------------------
    void LoadSettings();
    void SaveSettings();

    // ---- note store ----------------------------------------------------------
    void LoadNotes();
    /// Reads an XML store; returns false when the document was unreadable.
    bool LoadNoteData(const QString &path);
    /// Reads an old record store ("NoteFile 3.0" in twips, "NoteFile 3.1" in pixels); false
    /// when it was not read to its end (it has then been set aside, the notes before kept).
    bool LoadRecordStore(const QString &path);
    /// Reads the oldest store, "Pellux.DAT", the same way.
    bool LoadLegacyDat(const QString &path);
    /// Writes the store; false (and the user told) when it could not be written.
    bool SaveNotes();
    /// Offers the notes a previous run could not save and kept in a recovery file
    /// (called once the store has loaded at start-up).
    void OfferRecoveredNotes();
    /// A new identifier without waiting (new notes are made seconds apart by a person).
    QString NewNoteGUID() const;
    /// A new identifier that no open note has, without waiting: one made in the same
    /// hundredth of a second as the one before takes the next hundredth instead.
    QString NewUniqueNoteGUID();
    QString storePath() const;
    bool storeLoaded() const { return m_storeLoaded; }
    /// False when an unreadable store could not be set aside: nothing may be written over it.
    bool storeWritable() const { return !m_storeUnsafe; }
    /// Writes the store a moment after each change (without a backup).
    QuickSave &quickSave() const { return *m_quickSave; }
    /// Brings notes and the panel back onto the screens (on load and when screens change).
    ScreenRescue &screenRescue() const { return *m_screenRescue; }
    /// A store "note" element read as a record; a note it cannot read keeps only its title.
    StoredNote storedNoteFromElement(const QDomElement &note);
    /// The record the store writer writes for the note in \a slot.
    StoredNote storedNoteFromWindow(int slot);

    // ---- hooks ---------------------------------------------------------------
    /// Ends the process's event loop (tests replace it to observe the end).
    std::function<void(int)> endProcess;
    /// Replaces the file used to write the store and the files a note is saved to (tests
    /// make one that fails part-way).
    SaveFileFactory saveFileFactory;
    /// The program's own folder (written as "AppPath").
    QString appPath;
    /// Where stored notes migrate from: the working directory at start-up.
    QString workingDirectory;
    /**
     * The panel's tray icon control, created when the panel loads. An empty
     * createTrayControl loads Halotray's plugin; an empty trayAvailable asks the
     * desktop whether it has a notification area. Tests hand in a fake control with
     * the same properties, methods and signals.
     */
    std::function<QObject *(QWidget *host, QString *why)> createTrayControl;
    std::function<bool()> trayAvailable;
    /// Whether the desktop shows tray icons (trayAvailable, or the desktop's own answer).
    bool hasNotificationArea() const;

    // ---- the instance channel's commands ------------------------------------
    bool isLoading() const override { return loading >= 1; }
    void channelSyncOn() override;
    void channelSyncOff() override;
    void channelControlPanel() override;
    void channelExit() override;
    bool channelSaveNotes() override;
    void channelLoadNotes() override;
    void channelUnloadNotes() override;
    bool channelLoadNote(const QString &path) override;

    /// Starts the control channel's server (after the store has loaded).
    bool startControlServer();

signals:
    /// The store was loaded (timers may run from here on).
    void notesLoaded();
    /// The new-note defaults changed (the panel's sample and check boxes follow).
    void noteDefaultsChanged();

private:
    /// What writing the store came to.
    enum class StoreSave { Saved, NotLoaded, Failed };
    /// Writes the store without telling the user anything: nothing is written while the
    /// store loads or the notes are unloaded; on failure \a failure holds the words that
    /// say why. \a document receives what was (or would have been) written.
    StoreSave writeStore(QString *failure, QByteArray *document = nullptr);
    /// The store document of the notes open now.
    QByteArray storeDocument();
    /// The last save: when the store cannot be written, the notes go to a recovery file.
    void saveForTheEnd();
    void RunAlarmSweeps();
    void waitForDialogsThenSweep();
    /// Moves an unreadable store aside and tells the user; \a outcome ends the message
    /// (by default: Pellux starts with no notes).
    void setAsideUnreadable(const QString &path, const QString &why, const QString &outcome = QString());
    /**
     * The same for the data folder's store when its backup can stand in: the user is
     * offered the backup instead of the message. True when the backup's notes were loaded.
     */
    bool setAsideOfferingBackup(const QString &path, const QString &why);
    /// Places the notes an old store gave, in file order, one slot each.
    void placeLegacyNotes(const BinaryReadResult &read);
    /// Loads what a legacy reader gave; a damaged file is set aside with the notes before kept.
    bool finishLegacyLoad(const QString &path, const BinaryReadResult &read);
    /// Whether the data folder's store holds notes (or might: one that cannot be read counts).
    bool dataStoreHoldsNotes() const;
    void discardWindow(NoteWindow *window);
    void followNoteTable();

    Services m_services;
    std::unique_ptr<SettingsStore> m_settingsStore;
    std::unique_ptr<SecretStore> m_noSecrets;
    std::unique_ptr<SettingsStoreAccess> m_settingsAccess;
    std::unique_ptr<SmtpPasswordStore> m_smtpPassword;
    std::unique_ptr<SoundPlayer> m_ownSound;
    std::unique_ptr<DesktopNotifier> m_ownNotifier;
    std::unique_ptr<PrintSystem> m_ownPrinters;
    Notes m_notes;
    std::unique_ptr<Commands> m_hub;
    PanelFactory m_panelFactory;
    std::unique_ptr<ControlPanel> m_panel;
    std::unique_ptr<FlashMsg> m_flash;
    std::unique_ptr<ControlServer> m_server;
    std::unique_ptr<InstanceLock> m_instanceLock;
    std::unique_ptr<QuickSave> m_quickSave;
    std::unique_ptr<ScreenRescue> m_screenRescue;
    std::map<NoteKind, NoteKindProcs> m_kinds;
    /// Windows unloaded with deleteLater that may not be gone yet; finished with the program.
    QList<QPointer<NoteWindow>> m_unloading;
    /// An alarm sweep: its time and the next slot it asks.
    struct AlarmSweep
    {
        QDateTime at;
        int next = 1;
    };
    std::deque<AlarmSweep> m_sweeps;
    bool m_sweeping = false;
    bool m_sweepWaiting = false;
    bool m_storeLoaded = false;
    /// The moment the last identifier was made for (see NewUniqueNoteGUID).
    QDateTime m_lastGuidMoment;
    /// A note file named on the command line when no instance was running: imported once
    /// the store has loaded.
    QString m_commandLineFile;
    bool m_shuttingDown = false;
    bool m_recoveryOffered = false;
    bool m_terminateRequested = false;
    /// The store could not be set aside after a failed read: never write over it.
    bool m_storeUnsafe = false;
    /// The store was set aside and its good backup declined: saves leave the backup alone
    /// until a load brings notes again.
    bool m_keepBackup = false;
    /// Where the last new note was put (frame, in pixels); none before the first.
    std::optional<QPoint> m_lastNewNote;
};

} // namespace pellux
