#pragma once

#include "core/channel/ControlServer.h"
#include "core/channel/InstanceLock.h"
#include "core/NoteRecord.h"
#include "core/store/StoreTextForms.h"
#include "core/Settings.h"
#include "core/store/StoreFile.h"

#include <QDomDocument>
#include <QDomElement>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace pellux {

class Clock;
class FlashMsg;
class NCP;
class NoteWindow;
class Prompts;
class ScreenMetrics;
class SystemQueries;
class frmPelluxMenu;

/// The seams the program runs on; production and tests hand in their own.
struct Services
{
    Prompts &prompts;
    Clock &clock;
    ScreenMetrics &screen;
    SystemQueries &system;
};

/// The note window that was activated last.
struct ActiveNote
{
    qint16 slot = 0;
    QPointer<QWidget> window;
};

/**
 * The main module: the program-wide state every part reads, start-up and
 * shutdown, the settings, the note store and the sweeps over the open notes.
 * It owns the note table `Notes`: slot 0 is never used, slot i holds the window
 * of note i, and a deleted note leaves an empty (null) slot until the next load.
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
    bool IsWin2000Plus = false;
    QString TempFolder;
    QString DataFolder;                 ///< ends in a separator
    int loading = 0;                    ///< channel commands are refused while >= 1
    int modalDialog = 0;                ///< tray clicks are ignored while set
    bool exitConfirmed = false;         ///< closing the panel asks nothing while set
    ActiveNote activeNote;
    AlarmRecord CurrentAlarm;
    QDomDocument XmlFragmentDoc;
    QDomElement XmlFragment;
    ProgramSettings settings;           ///< program-wide settings (the panel holds the new-note defaults)
    QList<NoteWindow *> Notes;          ///< slot 0 unused; null = deleted note

    // ---- seams and windows ---------------------------------------------------
    Prompts &prompts() const { return m_services.prompts; }
    Clock &clock() const { return m_services.clock; }
    ScreenMetrics &screen() const { return m_services.screen; }
    SystemQueries &system() const { return m_services.system; }
    SettingsStore &settingsStore() const { return *m_settingsStore; }
    PixelScale pixelScale() const;
    /// The Note Control Panel, created on first access.
    NCP &ncp();
    bool hasPanel() const { return m_ncp != nullptr; }
    /// The hidden window that owns the tray menu, created with the panel.
    frmPelluxMenu &trayMenu();
    FlashMsg &flash();

    // ---- the note table ------------------------------------------------------
    int upperBound() const { return int(Notes.size()) - 1; }
    /// The window in \a slot, or null for slot 0, an empty slot or a slot beyond the table.
    NoteWindow *note(int slot) const;
    /// Grows the table by one empty slot and returns its number.
    int growNotes();
    /// Grows the table to at least \a upper.
    void growNotesTo(int upper);
    /// Puts a freshly created window into its slot (growing the table when needed).
    void placeNote(int slot, NoteWindow *window);
    /// Unloads the window in \a slot and empties the slot.
    void unloadNote(int slot);
    /// The new-note defaults held by the panel, as the store reader falls back to them.
    NoteDefaults noteDefaults();

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
    void CheckAlarms();
    /// Hands a command line (a note file) to the running instance.
    void SendCommandLine(const QString &commandLine);
    /// True when another instance answered and was told to show its panel.
    bool ActivateRunningInstance();

    // ---- settings ------------------------------------------------------------
    void LoadSettings();
    void SaveSettings();

    // ---- note store ----------------------------------------------------------
    void LoadNotes();
    /// Reads an XML store; returns false when the document was unreadable.
    bool LoadNoteData(const QString &path);
    /// Writes the store; false (and the user told) when it could not be written.
    bool SaveNotes();
    /// A new identifier, then the one-second wait (so two identifiers can never be equal).
    QString NewNoteGUIDWithWait();
    /// A new identifier without waiting (new notes are made seconds apart by a person).
    QString NewNoteGUID() const;
    QString storePath() const;
    bool storeLoaded() const { return m_storeLoaded; }
    /// A store "note" element read as a record; a note it cannot read keeps only its title.
    StoredNote storedNoteFromElement(const QDomElement &note);
    /// The record the store writer writes for the note in \a slot.
    StoredNote storedNoteFromWindow(int slot);

    // ---- hooks ---------------------------------------------------------------
    /// Ends the process's event loop (tests replace it to observe the end).
    std::function<void(int)> endProcess;
    /// Replaces the file used to write the store (tests make one that fails part-way).
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

    // ---- the instance channel's commands ------------------------------------
    bool isLoading() const override { return loading >= 1; }
    void channelSyncOn() override;
    void channelSyncOff() override;
    void channelControlPanel() override;
    void channelExit() override;
    void channelSaveNotes() override;
    void channelLoadNotes() override;
    void channelUnloadNotes() override;
    bool channelLoadNote(const QString &path) override;

    /// Starts the control channel's server (after the store has loaded).
    bool startControlServer();

signals:
    /// The store was loaded (timers may run from here on).
    void notesLoaded();

private:
    void setAsideUnreadable(const QString &path, const QString &why);

    Services m_services;
    std::unique_ptr<SettingsStore> m_settingsStore;
    std::unique_ptr<NCP> m_ncp;
    std::unique_ptr<frmPelluxMenu> m_trayMenu;
    std::unique_ptr<FlashMsg> m_flash;
    std::unique_ptr<ControlServer> m_server;
    std::unique_ptr<InstanceLock> m_instanceLock;
    /// Windows unloaded with deleteLater that may not be gone yet; finished with the program.
    QList<QPointer<NoteWindow>> m_unloading;
    bool m_storeLoaded = false;
    bool m_shuttingDown = false;
    bool m_terminateRequested = false;
    /// The store could not be set aside after a failed read: never write over it.
    bool m_storeUnsafe = false;
};

} // namespace pellux
