#include "app/Program.h"

#include "app/Commands.h"
#include "app/ControlPanel.h"
#include "app/FlashMsg.h"
#include "app/NoteWindow.h"
#include "app/QuickSave.h"
#include "app/ScreenRescue.h"
#include "app/SmtpPassword.h"
#include "core/NoteGuid.h"
#include "core/NotePassword.h"
#include "core/PrivateFiles.h"
#include "core/notefile/LegacyDat.h"
#include "core/notefile/NoteFile.h"
#include "core/channel/ControlClient.h"
#include "core/store/StoreBackup.h"
#include "core/store/StoreDomReader.h"
#include "core/store/StoreRecovery.h"
#include "core/store/StoreStreamReader.h"
#include "core/store/StoreWriter.h"
#include "core/TextRules.h"
#include "platform/Clock.h"
#include "platform/FreedesktopNotifier.h"
#include "platform/CupsPrintSystem.h"
#include "platform/ModalScope.h"
#include "platform/Prompts.h"
#include "platform/QtSoundPlayer.h"
#include "platform/ScreenMetrics.h"
#include "platform/SystemQueries.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopedValueRollback>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QUrl>
#include <QWidget>

namespace pellux {

namespace {

QString withSlash(QString folder)
{
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

/// Reads a whole file; when it cannot be opened, \a error says so in the words shown to the user.
bool readWholeFile(const QString &path, QByteArray &bytes, QString &error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("\"%1\" could not be read: %2").arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    bytes = file.readAll();
    return true;
}

} // namespace

Program::Program(const Services &services, std::unique_ptr<SettingsStore> settingsStore)
    : m_services(services)
    , m_settingsStore(settingsStore ? std::move(settingsStore) : std::make_unique<SettingsStore>())
    , m_hub(std::make_unique<Commands>(*this))
{
    followNoteTable();
    m_quickSave = std::make_unique<QuickSave>(*this);
    m_screenRescue = std::make_unique<ScreenRescue>(*this);
    VersionText = pellux::VersionText(version());
    endProcess = [](int code) { QCoreApplication::exit(code); };
    appPath = QCoreApplication::applicationDirPath();
    workingDirectory = QDir::currentPath();
}

Program::~Program()
{
    m_server.reset();
    m_screenRescue.reset();
    m_quickSave.reset();
    // The windows go first; the views that follow the table must not hear of it.
    m_notes.disconnect();
    for (int i = 1; i <= m_notes.upperBound(); ++i)
        delete m_notes.window(i);
    m_notes.reset();
    // Windows unloaded earlier still refer to the program in their destructors.
    for (const QPointer<NoteWindow> &w : std::as_const(m_unloading))
        delete w.data();
    m_unloading.clear();
    m_panel.reset();
    m_flash.reset();
}

SmtpPasswordStore &Program::smtpPassword()
{
    if (!m_smtpPassword) {
        SecretStore *store = m_services.secrets;
        if (!store) {
            m_noSecrets = std::make_unique<NoSecretStore>();
            store = m_noSecrets.get();
        }
        m_settingsAccess = std::make_unique<SettingsStoreAccess>(settingsStore());
        m_smtpPassword = std::make_unique<SmtpPasswordStore>(*store, *m_settingsAccess);
    }
    return *m_smtpPassword;
}

SoundPlayer &Program::sound()
{
    if (m_services.sound)
        return *m_services.sound;
    if (!m_ownSound)
        m_ownSound = std::make_unique<QtSoundPlayer>();
    return *m_ownSound;
}

DesktopNotifier &Program::notifier()
{
    if (m_services.notifier)
        return *m_services.notifier;
    if (!m_ownNotifier)
        m_ownNotifier = std::make_unique<FreedesktopNotifier>();
    return *m_ownNotifier;
}

PrintSystem &Program::printers()
{
    if (m_services.printers)
        return *m_services.printers;
    if (!m_ownPrinters)
        m_ownPrinters = std::make_unique<CupsPrintSystem>();
    return *m_ownPrinters;
}

ModalState &Program::modal() const
{
    return prompts().modal();
}

void Program::followNoteTable()
{
    // The windows follow their own entries; the panel and the tray menu connect themselves.
    connect(&m_notes, &Notes::added, this, [this](int slot) {
        if (NoteWindow *w = m_notes.window(slot))
            w->applyEntry(*m_notes.entry(slot));
    });
    auto apply = [this](int slot) {
        if (NoteWindow *w = m_notes.window(slot))
            w->applyEntry(*m_notes.entry(slot));
    };
    connect(&m_notes, &Notes::retitled, this, apply);
    connect(&m_notes, &Notes::changed, this, apply);
}

PixelScale Program::pixelScale() const
{
    return PixelScale{screen().twipsPerPixelX(), screen().twipsPerPixelY()};
}

ControlPanel *Program::panel()
{
    if (!m_panel && m_panelFactory && !m_shuttingDown)
        m_panel = m_panelFactory(*this);
    return m_panel.get();
}

FlashMsg &Program::flash()
{
    if (!m_flash)
        m_flash = std::make_unique<FlashMsg>();
    return *m_flash;
}

// ---- the note table ---------------------------------------------------------

void Program::placeNote(int slot, NoteWindow *window, NoteEntry entry)
{
    if (slot < 1 || !window)
        return;
    if (NoteWindow *old = note(slot); old && old != window)
        unloadNote(slot);
    // The slot is known before the window can be activated, so the activation records it.
    window->NoteNum = qint16(slot);
    entry.window = window;
    m_notes.place(slot, entry);
}

void Program::placeNote(int slot, NoteWindow *window)
{
    NoteEntry entry;
    entry.title = window->Caption();
    entry.type = NoteTypeOf(NoteKind::TextNote);
    placeNote(slot, window, entry);
}

void Program::placeNewNote(NoteWindow *window)
{
    if (!window)
        return;
    const ScreenMetrics &s = screen();
    const int tx = s.twipsPerPixelX();
    const int ty = s.twipsPerPixelY();
    const QRect areaTw = s.availableAreaTwips();
    const QRect area(areaTw.x() / tx, areaTw.y() / ty, areaTw.width() / tx, areaTw.height() / ty);
    const int step = qMax(1, s.titleBarHeightTwips() / ty);
    QPoint at = window->pos();
    if (m_lastNewNote) {
        at = *m_lastNewNote + QPoint(step, step);
        // The frame (a title bar above the window) must stay inside the area.
        const bool fits = at.x() + window->width() <= area.right() + 1
                          && at.y() + step + window->height() <= area.bottom() + 1;
        if (!fits)
            at = area.topLeft();
    }
    window->move(at);
    m_lastNewNote = at;
}

void Program::registerNoteKind(NoteKind kind, NoteKindProcs procs)
{
    m_kinds[kind] = std::move(procs);
}

const NoteKindProcs *Program::noteKind(NoteKind kind) const
{
    const auto it = m_kinds.find(kind);
    return it == m_kinds.end() ? nullptr : &it->second;
}

void Program::unloadNote(int slot)
{
    NoteWindow *w = note(slot);
    if (!w)
        return;
    m_notes.remove(slot);
    discardWindow(w);
}

void Program::discardWindow(NoteWindow *w)
{
    if (activeNote.window == w) {
        activeNote.slot = 0;
        activeNote.window = nullptr;
    }
    w->hide();
    // The window may be unloading itself from one of its own commands.
    w->deleteLater();
    m_unloading.removeAll(nullptr);
    m_unloading.append(w);
}

NoteEntry Program::EntryOf(const StoredNote &note)
{
    NoteEntry e;
    e.kind = note.kind().value_or(NoteKind::TextNote);
    e.type = note.type;
    e.title = note.title;
    e.guid = note.nid;
    e.onTop = note.ontop;
    e.rollUp = note.rollup;
    e.dynamicTitle = e.kind == NoteKind::TextNote && note.dynamicTitle;
    return e;
}

NoteDefaults Program::noteDefaults() const
{
    NoteDefaults d;
    d.style = settings.sample;
    d.ontop = settings.AlwaysOnTop != 0;
    d.rollup = settings.RollUp != 0;
    d.dynamicTitle = settings.DynamicTitle != 0;
    return d;
}

void Program::setSampleStyle(const NoteStyle &style)
{
    settings.sample = style;
    emit noteDefaultsChanged();
}

void Program::setNewNoteFlags(bool onTop, bool rollUp, bool dynamicTitle)
{
    settings.AlwaysOnTop = onTop ? 1 : 0;
    settings.RollUp = rollUp ? 1 : 0;
    settings.DynamicTitle = dynamicTitle ? 1 : 0;
    emit noteDefaultsChanged();
}

void Program::setNewNoteDynamicTitle(bool on)
{
    const NoteDefaults d = noteDefaults();
    setNewNoteFlags(d.ontop, d.rollup, on);
}

QString Program::NewNoteGUID() const
{
    return pellux::NewNoteGUID(system().computerName(), clock().now());
}

QString Program::NewUniqueNoteGUID()
{
    // An identifier names the hundredth of a second it was made in. Notes made faster than
    // that (an old store read at start-up, many files imported at once) take the next free
    // hundredth instead of waiting for it: the identifier keeps its form and stays unique,
    // and nothing stalls. Only the open notes can hold an identifier this could clash with.
    QDateTime moment = clock().now();
    if (m_lastGuidMoment.isValid() && moment < m_lastGuidMoment.addMSecs(10))
        moment = m_lastGuidMoment.addMSecs(10);
    QString guid = pellux::NewNoteGUID(system().computerName(), moment);
    while (FindNoteByGUID(guid) != 0) {
        moment = moment.addMSecs(10);
        guid = pellux::NewNoteGUID(system().computerName(), moment);
    }
    m_lastGuidMoment = moment;
    return guid;
}

QString Program::storePath() const
{
    return DataFolder + StoreFileName;
}

// ---- start-up and shutdown ------------------------------------------------

std::optional<int> Program::Main(const QStringList &arguments)
{
    loading = 1;
    VersionText = pellux::VersionText(version());
    IsWin2000Plus = system().osMajorVersion() >= 5;
    GetTempFolder();

    const QString commandLine = arguments.join(QLatin1Char(' '));
    if (!commandLine.isEmpty() && SendCommandLine(commandLine))
        return 0;
    if (ActivateRunningInstance())
        return 0;
    if (m_terminateRequested)
        return 0;

    LoadSettings();
    CheckVersion();
    if (m_terminateRequested)
        return 0;
    LoadNotes();
    if (m_terminateRequested)
        return 0;
    QCoreApplication::processEvents();
    // A termination request met in the events just processed (or in the panel's first
    // sizing while it is shown) has already shut down; the event loop has not started, so
    // the end it asked for would be lost and the process would run on.
    if (m_terminateRequested)
        return 0;
    startControlServer();
    if (ControlPanel *p = panel())
        p->window()->show();
    if (m_terminateRequested)
        return 0;
    // A note file double-clicked while Pellux was closed comes in now that the notes are there.
    if (!m_commandLineFile.isEmpty()) {
        const QString path = std::exchange(m_commandLineFile, QString());
        hub().LoadNoteFile(path);
        if (m_terminateRequested)
            return 0;
    }
    return std::nullopt;
}

void Program::GetTempFolder()
{
    TempFolder = system().tempFolder();
    const int nul = TempFolder.indexOf(QChar(0));
    if (nul >= 0)
        TempFolder.truncate(nul);
}

bool Program::SendCommandLine(const QString &commandLine)
{
    QString path = commandLine;
    if (path.startsWith(QLatin1Char('"')))
        path = path.mid(1, path.size() - 2);
    if (!QFileInfo::exists(path)) {
        prompts().message(QStringLiteral("File Doesn't Exist"), MsgIcon::Exclamation);
        return true;
    }
    ControlClient client;
    const ControlClient::HandOver handOver = client.SendDDERequest(path);
    if (!handOver.instanceAnswered) {
        // Nobody runs: this start becomes the instance and reads the file itself, so a
        // note file opened while Pellux is closed is not lost.
        m_commandLineFile = QFileInfo(path).absoluteFilePath();
        return false;
    }
    if (handOver.loadNote == ControlClient::Reply::Refused) {
        // The running instance could not take the file; say so rather than appear to succeed.
        prompts().message(QStringLiteral("The running Pellux could not load \"%1\".").arg(path),
                          MsgIcon::Exclamation);
    }
    return true;
}

bool Program::ActivateRunningInstance()
{
    ControlClient client;
    // With a command-line file waiting, an instance that turns up gets the file, not the
    // request for its panel.
    const auto answered = [this, &client] {
        if (m_commandLineFile.isEmpty())
            return client.OpenControlPanel();
        return client.SendDDERequest(m_commandLineFile).instanceAnswered;
    };
    if (answered())
        return true;
    // Nobody answered. Take the instance lock so that two starts at once cannot
    // both become the running instance; whoever holds it is starting up now.
    m_instanceLock = std::make_unique<InstanceLock>();
    if (m_instanceLock->tryLock())
        return false;
    if (m_instanceLock->path().isEmpty()) {
        // No folder for the channel at all: nothing could answer a second start either.
        qWarning("Pellux: %s", qPrintable(m_instanceLock->errorString()));
        m_instanceLock.reset();
        return false;
    }
    m_instanceLock.reset();
    // Another instance is starting (its channel opens once its store has loaded).
    const QDateTime giveUp = clock().now().addSecs(30);
    while (clock().now() < giveUp) {
        clock().waitUntil(clock().now().addMSecs(250));
        if (answered())
            return true;
        auto lock = std::make_unique<InstanceLock>();
        if (lock->tryLock()) {
            // It went away without opening its channel: this start goes on.
            m_instanceLock = std::move(lock);
            return false;
        }
    }
    prompts().message(QStringLiteral("Another Pellux is starting but does not answer.  Try again in a moment."),
                      MsgIcon::Exclamation);
    return true;
}

void Program::CheckVersion()
{
    const QDate today = clock().today();
    const QString stored = settingsStore().get<QString>(Setting::Version);
    // An unreadable date counts as today.
    const QDate nextCheck = settingsStore().get<QDate>(Setting::NextUpdateCheck, today);
    const QDate newNext = today.addMonths(3);

    if (VersionText != stored) {
        const MsgResult r = prompts().message(
            QStringLiteral("Pellux has detected that this is the first time you have ran this version.\r\rWould you "
                           "like to see the Program Options screen now?"),
            MsgIcon::Information, MsgButtons::YesNo, QStringLiteral("Pellux v") + VersionText);
        if (m_terminateRequested)
            return;
        if (r == MsgResult::Yes)
            hub().run(Feature::ProgramOptions);
        settingsStore().set(Setting::Version, VersionText);
        settingsStore().set(Setting::NextUpdateCheck, newNext);
        settings.Version = VersionText;
        settings.NextUpdateCheck = newNext;
    } else if (nextCheck <= today) {
        const MsgResult r = prompts().message(
            QStringLiteral("It has been at least 3 months since you've checked for a new version of Pellux.\r\rWould "
                           "you like to check for a new version now?"),
            MsgIcon::Question, MsgButtons::YesNo);
        if (m_terminateRequested)
            return;
        if (r == MsgResult::Yes)
            CheckForUpdates();
        settingsStore().set(Setting::NextUpdateCheck, newNext);
        settings.NextUpdateCheck = newNext;
    }
    settingsStore().sync();
}

ProductVersion Program::version() const
{
    return ProductVersion{VersionMajor, VersionMinor, VersionTag, VersionRevision};
}

QUrl Program::updateCheckUrl() const
{
    return QUrl(UpdateCheckAddress(ProductName, version()), QUrl::TolerantMode);
}

bool Program::hasNotificationArea() const
{
    return trayAvailable ? trayAvailable() : QSystemTrayIcon::isSystemTrayAvailable();
}

void Program::CheckForUpdates()
{
    system().openUrl(updateCheckUrl());
}

void Program::ShutDown()
{
    if (m_shuttingDown)
        return;
    m_shuttingDown = true;
    flash().DispMsg(QStringLiteral("Please Wait...Shutting Down"));
    if (m_panel) {
        m_panel->setNoteTimersEnabled(false);
        m_panel->removeTrayIcon();
        settingsStore().set(Setting::WindowState, m_panel->windowStateValue());
    }
    if (m_storeLoaded)
        saveForTheEnd();
    if (upperBound() > 0)
        UnloadNotes();
    if (m_panel)
        m_panel->unloadTrayMenu();
    m_server.reset();
    if (m_panel)
        m_panel->window()->hide();
    settingsStore().sync();
    flash().StopMsg();
    m_instanceLock.reset();
    endProcess(0);
}

void Program::saveForTheEnd()
{
    QString failure;
    QByteArray document;
    if (writeStore(&failure, &document) != StoreSave::Failed)
        return;
    // The program ends whatever happens: the notes go to a recovery file that the next
    // start offers, and nothing waits for an answer (a termination must not hang on a box).
    const QString stamp = clock().now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString why;
    const QString kept = WriteRecoveryFile(RecoveryFolders(DataFolder), document, stamp, &why);
    const QString failed = QString(failure).replace(QLatin1Char('\r'), QLatin1Char(' '));
    if (kept.isEmpty())
        qWarning("Pellux: %s  Nor could they be written elsewhere: %s", qPrintable(failed), qPrintable(why));
    else
        qWarning("Pellux: %s  They have been written to %s instead.", qPrintable(failed), qPrintable(kept));
}

void Program::OfferRecoveredNotes()
{
    const QStringList found = FindRecoveryFiles(RecoveryFolders(DataFolder));
    if (found.isEmpty() || m_terminateRequested)
        return;
    const QString path = found.last();
    QFile file(path);
    const StoreReadResult read = file.open(QIODevice::ReadOnly)
                                     ? ReadNoteStore(file.readAll(), pixelScale(), noteDefaults())
                                     : StoreReadResult{};
    file.close();
    if (!read.ok) {
        prompts().message(QStringLiteral("Pellux could not read the notes it kept in \"%1\" when it last could not "
                                         "save them.  The file has been left as it is.")
                              .arg(QDir::toNativeSeparators(path)),
                          MsgIcon::Exclamation);
        return;
    }
    const int count = int(read.notes.size());
    const MsgResult answer = prompts().message(
        QStringLiteral("When Pellux last ended it could not save your notes, and kept them in \"%1\" instead.\r\r"
                       "Load %2 from that file in place of the notes loaded now?  (No leaves the file as it is; "
                       "Pellux offers it again at its next start.)")
            .arg(QDir::toNativeSeparators(path),
                 count == 1 ? QStringLiteral("the note") : QStringLiteral("the %1 notes").arg(count)),
        MsgIcon::Question, MsgButtons::YesNo);
    if (answer != MsgResult::Yes || m_terminateRequested)
        return;
    UnloadNotes();
    loading = 1;
    LoadNoteData(path);
    m_storeLoaded = !m_terminateRequested;
    if (m_panel)
        m_panel->setNoteTimersEnabled(true);
    loading = 0;
    // The recovered notes are the store now; the file goes once they are safely there.
    if (SaveNotes())
        QFile::remove(path);
}

void Program::TerminateRequested()
{
    if (m_shuttingDown) {
        // A shutdown already under way (perhaps waiting on a box) ends now.
        m_terminateRequested = true;
        endProcess(0);
        return;
    }
    m_terminateRequested = true;
    if (!m_storeLoaded) {
        // The store has not been read yet: an empty table must never replace it.
        m_shuttingDown = true;
        settingsStore().sync();
        endProcess(0);
        return;
    }
    exitConfirmed = true;
    ShutDown();
}

qint16 Program::FindNoteByGUID(const QString &g) const
{
    return qint16(m_notes.findByGuid(g));
}

void Program::UnloadNotes()
{
    // A store written while the windows go would miss notes.
    m_quickSave->suspend();
    if (m_panel)
        m_panel->setNoteTimersEnabled(false);
    for (int i = 1; i <= upperBound(); ++i) {
        unloadNote(i);
        QCoreApplication::processEvents();
    }
    m_notes.reset();
    activeNote = ActiveNote{};
    // Unloaded, the store on disk is the truth (a synchronisation tool may replace it
    // before "LoadNotes"): no save writes it, and shutdown leaves it alone.
    m_storeLoaded = false;
}

void Program::RefreshNotes()
{
    for (int i = 1; i <= upperBound(); ++i) {
        NoteWindow *w = note(i);
        if (w && w->Visible())
            w->RefreshDisplay();
    }
}

void Program::CheckRollUp()
{
    if (activeNote.slot == 0)
        return;
    NoteWindow *w = note(activeNote.slot);
    if (!w)
        return;
    const bool rollUp = m_notes.entry(activeNote.slot)->rollUp;
    QWidget *foreground = system().foregroundWindow();
    const bool inFront = foreground == w;
    if (rollUp && !inFront && !w->NoteRolled)
        w->NoteRoll();
    else if (rollUp && inFront && w->NoteRolled)
        w->NoteUnroll();
    if (inFront)
        w->CheckClipboard();
}

void Program::CheckAlarms()
{
    if (upperBound() < 1)
        return;
    // The time is taken once, now, for the whole sweep, however late its last note is reached.
    m_sweeps.push_back(AlarmSweep{clock().now(), 1});
    RunAlarmSweeps();
}

void Program::RunAlarmSweeps()
{
    // A sweep that is under way (its alarm's sound plays, and events with it) takes the
    // new one in turn when it is done: one alarm after the other, in slot order.
    if (m_sweeping)
        return;
    const QScopedValueRollback<bool> sweeping(m_sweeping, true);
    while (!m_sweeps.empty()) {
        if (m_shuttingDown) {
            m_sweeps.clear();
            return;
        }
        AlarmSweep &sweep = m_sweeps.front();
        if (sweep.next > upperBound()) {
            m_sweeps.pop_front();
            continue;
        }
        // An alarm window that waited inside a dialog's own event loop would hold that
        // dialog open: the sweep stops here and goes on once the last dialog has closed.
        if (modal().active()) {
            waitForDialogsThenSweep();
            return;
        }
        const int slot = sweep.next++;
        const QDateTime at = sweep.at;
        if (NoteWindow *w = note(slot))
            w->CheckAlarm(at);
    }
}

void Program::waitForDialogsThenSweep()
{
    if (m_sweepWaiting)
        return;
    m_sweepWaiting = true;
    // Queued: the dialog's caller finishes its own work before an alarm comes up.
    connect(
        &modal(), &ModalState::ended, this,
        [this] {
            m_sweepWaiting = false;
            RunAlarmSweeps();
        },
        Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
}

// ---- settings ---------------------------------------------------------------

void Program::LoadSettings()
{
    // The first use of the panel creates it; its list's font is the default of the font settings.
    ControlPanel *p = panel();
    NoteStyle listFont;
    if (p)
        listFont = p->listFontStyle();
    else
        listFont.fontName = QApplication::font().family();
    settings = settingsStore().load(listFont, clock().today());

    // A stored position off the screen comes back to the corner.
    if (settings.Top >= screen().screenHeightTwips())
        settings.Top = 100;
    if (settings.Left >= screen().screenWidthTwips())
        settings.Left = 100;
    if (p)
        p->settingsLoaded();
    QCoreApplication::processEvents();
}

void Program::SaveSettings()
{
    QWidget *window = panel() ? panel()->window() : nullptr;
    const bool visible = window && window->isVisible();
    if (visible) {
        settings.Top = window->pos().y() * screen().twipsPerPixelY();
        settings.Left = window->pos().x() * screen().twipsPerPixelX();
    }
    settings.Version = VersionText;
    settingsStore().save(settings, visible, DataFolder, appPath, VersionText);
    settingsStore().sync();
}

// ---- the note store ---------------------------------------------------------

void Program::LoadNotes()
{
    QString base = system().appDataFolder();
    const int nul = base.indexOf(QChar(0));
    if (nul >= 0)
        base.truncate(nul);
    DataFolder = withSlash(base) + QStringLiteral("Brackwel Systems/Pellux/");
    QDir().mkpath(DataFolder);
    CloseStoreFolder(DataFolder);

    loading = 1;
    // From here until the load is through, the table is no copy of the store: nothing
    // may write it (a termination now ends without saving).
    m_storeLoaded = false;
    m_notes.reset();

    // A store in the folder Pellux was started from (an older version kept it there) moves
    // into the data folder, but only into one without notes: a file that merely happens to
    // lie in that folder must never replace the user's notes.
    QString path = storePath();
    QString migrateFrom;
    QStringList leftAlone;
    const QString dat = workingDirectory.isEmpty() ? QString() : QDir(workingDirectory).filePath(LegacyDatFileName);
    const QString local = workingDirectory.isEmpty() ? QString() : QDir(workingDirectory).filePath(StoreFileName);
    const bool datFound = !dat.isEmpty() && QFileInfo(dat).isFile() && QFileInfo(dat).size() > 0;
    const bool localFound = !local.isEmpty() && QFileInfo(local).isFile() && QFileInfo(local).size() > 0
                            && QFileInfo(local).canonicalFilePath() != QFileInfo(path).canonicalFilePath();
    if (datFound || localFound) {
        const bool dataHasNotes = dataStoreHoldsNotes();
        if (datFound && !dataHasNotes)
            migrateFrom = dat;
        else if (datFound)
            leftAlone << dat;
        // The fixed-record file comes first; a store beside it stays where it is.
        if (localFound && !dataHasNotes && migrateFrom.isEmpty()) {
            migrateFrom = local;
            path = local;
        } else if (localFound) {
            leftAlone << local;
        }
    }

    const bool fromDat = !migrateFrom.isEmpty() && migrateFrom == dat;
    bool loaded = true;
    QFile file(path);
    if (fromDat) {
        loaded = LoadLegacyDat(dat);
    } else if (!file.exists()) {
        // The first start creates the store empty.
        if (file.open(QIODevice::WriteOnly))
            file.close();
        RestrictToOwner(path);
    }
    if (!fromDat && QFileInfo(path).size() > 0) {
        QByteArray head;
        if (file.open(QIODevice::ReadOnly)) {
            head = file.read(4096);
            file.close();
        }
        switch (DetectStoreFormat(head)) {
        case StoreFormat::NoteData4:
            loaded = LoadNoteData(path);
            break;
        case StoreFormat::RecordStore30:
        case StoreFormat::RecordStore31:
            loaded = LoadRecordStore(path);
            break;
        case StoreFormat::Unknown:
            loaded = setAsideOfferingBackup(path,
                                            QStringLiteral("Pellux.NoteData is in a unknown format.  Notes not loaded."));
            break;
        case StoreFormat::Empty:
            break;
        }
    }

    if (m_terminateRequested) {
        loading = 0;
        return;
    }
    m_storeLoaded = true;
    if (!migrateFrom.isEmpty() && loaded) {
        // The notes now live in the data folder; the old file goes only once they are safely there.
        if (SaveNotes())
            QFile::remove(migrateFrom);
    }
    if (!leftAlone.isEmpty()) {
        QStringList names;
        for (const QString &name : std::as_const(leftAlone))
            names << QStringLiteral("\"%1\"").arg(QDir::toNativeSeparators(name));
        prompts().message(
            QStringLiteral("Pellux did not load %1 from the folder it was started in: your notes in \"%2\" are kept "
                           "as they are.\r\r%3 been left alone.")
                .arg(names.join(QStringLiteral(" and ")), QDir::toNativeSeparators(storePath()),
                     leftAlone.size() == 1 ? QStringLiteral("The file has") : QStringLiteral("The files have")),
            MsgIcon::Information);
    }
    if (m_panel)
        m_panel->setNoteTimersEnabled(true);
    if (upperBound() > 0)
        m_keepBackup = false;
    loading = 0;
    m_quickSave->resume();
    emit notesLoaded();
    // Notes a previous run could not save are offered once, at start-up.
    if (!std::exchange(m_recoveryOffered, true))
        OfferRecoveredNotes();
}

void Program::setAsideUnreadable(const QString &path, const QString &why, const QString &outcome)
{
    const QString stamp = clock().now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString aside = SetAsideUnreadableStore(path, stamp);
    QString text = why;
    if (!aside.isEmpty()) {
        text += QStringLiteral("\r\rThe file has been kept as \"%1\" and will not be overwritten.  %2")
                    .arg(QDir::toNativeSeparators(aside),
                         outcome.isEmpty() ? QStringLiteral("Pellux starts with no notes.") : outcome);
    } else {
        text += QStringLiteral("\r\rThe file \"%1\" could not be set aside.  Pellux will not save notes over it.")
                    .arg(QDir::toNativeSeparators(path));
        // Only the data folder's store is ever written; a file elsewhere is safe where it is.
        if (QFileInfo(path).absoluteFilePath() == QFileInfo(storePath()).absoluteFilePath())
            m_storeUnsafe = true;
    }
    prompts().message(text, MsgIcon::Exclamation);
}

bool Program::setAsideOfferingBackup(const QString &path, const QString &why)
{
    const QString backup = DataFolder + BackupFileName;
    const bool dataStore = QFileInfo(path).absoluteFilePath() == QFileInfo(storePath()).absoluteFilePath();
    const std::optional<BackupSummary> summary =
        dataStore ? SummarizeBackup(backup, pixelScale(), noteDefaults()) : std::nullopt;
    if (!summary) {
        setAsideUnreadable(path, why);
        return false;
    }
    const QString aside = SetAsideUnreadableStore(path, clock().now().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    if (aside.isEmpty()) {
        // Still in the way: told as any store that cannot be set aside, and never written over.
        setAsideUnreadable(path, why);
        return false;
    }
    const MsgResult answer = prompts().message(
        QStringLiteral("Pellux.NoteData could not be read and was set aside as %1. The backup of %2 holds %3 notes. "
                       "Load the backup?")
            .arg(QFileInfo(aside).fileName(), QLocale().toString(summary->written, QLocale::ShortFormat))
            .arg(summary->notes),
        MsgIcon::Question, MsgButtons::YesNo);
    if (answer == MsgResult::Yes && LoadNoteData(backup)) {
        // There is no store now: these notes become it a moment after the load.
        QTimer::singleShot(0, m_quickSave.get(), &QuickSave::contentChanged);
        return true;
    }
    // An empty start must not wipe the backup the user may still want.
    m_keepBackup = true;
    return false;
}

bool Program::dataStoreHoldsNotes() const
{
    QFile file(storePath());
    if (!file.exists() || file.size() == 0)
        return false;
    if (!file.open(QIODevice::ReadOnly))
        return true;
    const QByteArray bytes = file.readAll();
    switch (DetectStoreFormat(bytes.left(4096))) {
    case StoreFormat::Empty:
        return false;
    case StoreFormat::NoteData4: {
        const StoreReadResult read = ReadNoteStore(bytes, pixelScale(), noteDefaults());
        return !read.ok || !read.notes.isEmpty() || !read.skipped.isEmpty();
    }
    case StoreFormat::RecordStore30:
    case StoreFormat::RecordStore31: {
        const BinaryReadResult read = ReadRecordStore(bytes, pixelScale(), noteDefaults());
        return read.status != BinaryReadStatus::Empty && (read.status != BinaryReadStatus::Complete
                                                          || !read.notes.isEmpty());
    }
    case StoreFormat::Unknown:
        break;
    }
    // What cannot be read may hold notes.
    return true;
}

bool Program::LoadRecordStore(const QString &path)
{
    QByteArray bytes;
    QString error;
    if (!readWholeFile(path, bytes, error)) {
        setAsideUnreadable(path, error);
        return false;
    }
    const BinaryReadResult read = ReadRecordStore(bytes, pixelScale(), noteDefaults());
    if (read.status == BinaryReadStatus::WrongHeader) {
        // "NoteFile 3.0" without its CR LF: its binary records have been rewritten as text.
        setAsideUnreadable(path, QStringLiteral("Pellux.NoteData is in a unknown format.  Notes not loaded."));
        return false;
    }
    return finishLegacyLoad(path, read);
}

bool Program::LoadLegacyDat(const QString &path)
{
    const QString file = path.isEmpty() ? DataFolder + LegacyDatFileName : path;
    QByteArray bytes;
    QString error;
    if (!readWholeFile(file, bytes, error)) {
        setAsideUnreadable(file, error);
        return false;
    }
    return finishLegacyLoad(file, ReadLegacyDat(bytes, noteDefaults()));
}

bool Program::finishLegacyLoad(const QString &path, const BinaryReadResult &read)
{
    placeLegacyNotes(read);
    if (read.status != BinaryReadStatus::Damaged)
        return true;
    // What was read before the damage stays; the file itself is kept whole beside it.
    const int placed = int(read.notes.size());
    const QString outcome = placed == 0 ? QString()
                            : placed == 1 ? QStringLiteral("The note read before it has been loaded.")
                                          : QStringLiteral("The %1 notes read before it have been loaded.").arg(placed);
    setAsideUnreadable(path,
                       QStringLiteral("\"%1\" could not be read to its end.  %2")
                           .arg(QDir::toNativeSeparators(path), read.error),
                       outcome);
    return false;
}

void Program::placeLegacyNotes(const BinaryReadResult &read)
{
    bool flashed = false;
    for (const ImportedNote &imported : read.notes) {
        QCoreApplication::processEvents();
        if (m_terminateRequested)
            break;
        const StoredNote &note = imported.note;
        const NoteKindProcs *kind = note.kind() ? noteKind(*note.kind()) : nullptr;
        if (!kind || !kind->fromStored)
            continue;
        const int n = upperBound() + 1;
        NoteWindow *w = kind->fromStored(*this, note, n);
        if (!w)
            continue;
        if (note.left)
            w->setLeft(*note.left);
        if (note.top)
            w->setTop(*note.top);
        if (note.width)
            w->setWidth(*note.width);
        if (note.height)
            w->setHeight(*note.height);
        if (note.nid.isEmpty()) {
            // The oldest stores had no identifiers; each note gets one now, once.
            if (!flashed)
                flash().DispMsg(QStringLiteral("Initializing GUIDs (One Time Only)"));
            flashed = true;
            m_notes.setGuid(n, NewUniqueNoteGUID());
        }
        if (!imported.password.isEmpty()) {
            // A protected note stays hidden until its password is given.
            w->SetNotePass(imported.password);
        } else {
            w->setAttribute(Qt::WA_ShowWithoutActivating, true);
            w->setVisible(note.visible);
            w->setAttribute(Qt::WA_ShowWithoutActivating, false);
        }
        CurrentAlarm = note.alarm;
        w->SetAlarmData();
    }
    if (flashed)
        flash().StopMsg();
}

bool Program::LoadNoteData(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return setAsideOfferingBackup(path, QStringLiteral("Pellux.NoteData could not be read: %1").arg(file.errorString()));
    const QByteArray bytes = file.readAll();
    file.close();

    const PixelScale scale = pixelScale();
    const NoteDefaults defaults = noteDefaults();
    const StoreReadResult read = ReadNoteStore(bytes, scale, defaults);
    if (!read.ok) {
        // The reader's reason is a sentence of its own.
        return setAsideOfferingBackup(path, QStringLiteral("Pellux.NoteData could not be read.  %1").arg(read.error));
    }

    bool flashed = false;
    QStringList unreadablePasswords;
    for (const StoredNote &note : read.notes) {
        QCoreApplication::processEvents();
        if (m_terminateRequested)
            break;
        const StoredNote *stored = &note;
        const NoteKindProcs *kind = noteKind(*stored->kind());
        if (!kind || !kind->fromStored)
            continue;
        const int n = upperBound() + 1;
        NoteWindow *w = kind->fromStored(*this, *stored, n);
        if (!w)
            continue;
        if (stored->left)
            w->setLeft(*stored->left);
        if (stored->top)
            w->setTop(*stored->top);
        if (stored->width)
            w->setWidth(*stored->width);
        if (stored->height)
            w->setHeight(*stored->height);
        // A protected note comes back hidden, behind its password. Its hash is only
        // looked at here, never computed: loading costs no hashing.
        const bool protectedNote = !stored->passwordHash.isEmpty();
        if (IsNotePasswordHash(stored->passwordHash))
            w->restoreNotePass(stored->passwordHash);
        else if (protectedNote)
            unreadablePasswords << stored->title;
        // Loaded notes appear without taking the focus from one another (each would
        // otherwise roll up the one shown before it).
        w->setAttribute(Qt::WA_ShowWithoutActivating, true);
        w->setVisible(stored->visible && !protectedNote);
        w->setAttribute(Qt::WA_ShowWithoutActivating, false);
        if (stored->nid.isEmpty()) {
            if (!flashed)
                flash().DispMsg(QStringLiteral("Initializing GUIDs (One Time Only)"));
            flashed = true;
            m_notes.setGuid(n, NewUniqueNoteGUID());
        }
        CurrentAlarm = stored->alarm;
        w->SetAlarmData();
    }
    flash().StopMsg();
    if (!read.skipped.isEmpty()) {
        // The box names a few; thousands of names would make it taller than any screen.
        constexpr int shown = 10;
        QStringList lines;
        for (const SkippedNote &skip : read.skipped) {
            if (lines.size() == shown)
                break;
            lines << (skip.title.isEmpty() ? QStringLiteral("Note %1: %2").arg(skip.position).arg(skip.reason)
                                           : QStringLiteral("Note %1 (\"%2\"): %3")
                                                 .arg(skip.position)
                                                 .arg(skip.title.left(80), skip.reason.left(200)));
        }
        if (read.skipped.size() > shown)
            lines << QStringLiteral("and %1 more").arg(read.skipped.size() - shown);
        prompts().message(QStringLiteral("Some notes in Pellux.NoteData could not be loaded and were left out:\r\r")
                              + lines.join(QLatin1Char('\r')),
                          MsgIcon::Exclamation);
    }
    if (!unreadablePasswords.isEmpty()) {
        // Kept protected, such a note could never be opened again: it is loaded hidden
        // and unprotected, and the user is told.
        QStringList lines;
        for (const QString &title : unreadablePasswords)
            lines << QStringLiteral("\"%1\"").arg(title);
        prompts().message(QStringLiteral("The password of these notes could not be read from Pellux.NoteData, so "
                                         "they are no longer protected.  They are hidden; show them from the "
                                         "Control Panel and protect them again:\r\r")
                              + lines.join(QLatin1Char('\r')),
                          MsgIcon::Exclamation);
    }
    return true;
}

StoredNote Program::storedNoteFromElement(const QDomElement &note)
{
    if (std::optional<StoredNote> read = ReadNoteElement(note, pixelScale(), noteDefaults()))
        return *read;
    StoredNote stored;
    stored.title = note.firstChildElement(QStringLiteral("title")).text();
    return stored;
}

StoredNote Program::storedNoteFromWindow(int slot)
{
    NoteWindow *w = note(slot);
    StoredNote s;
    if (!w)
        return s;
    const NoteEntry &e = *m_notes.entry(slot);
    s.type = e.type;
    s.title = e.title;
    s.nid = e.guid;
    s.top = w->Top();
    s.left = w->Left();
    s.width = w->Width();
    // Only a rolled-up note is shorter than its real height.
    s.height = (w->NoteRolled && w->NoteHeight > 0) ? w->NoteHeight : w->Height();
    s.visible = w->Visible();
    s.rollup = e.rollUp;
    s.ontop = e.onTop;
    w->GetAlarmData();
    s.alarm = CurrentAlarm;
    s.style = w->noteStyle();
    w->fillStoredData(s);
    s.passwordHash = w->GetNotePass();
    return s;
}

bool Program::SaveNotes()
{
    QString failure;
    const StoreSave outcome = writeStore(&failure);
    if (outcome == StoreSave::Failed)
        prompts().message(failure, MsgIcon::Exclamation);
    return outcome == StoreSave::Saved;
}

QByteArray Program::storeDocument()
{
    QList<StoredNote> records;
    for (int slot = 1; slot <= upperBound(); ++slot) {
        NoteWindow *w = note(slot);
        // A deleted note is an empty slot, whatever its list entry reads.
        if (!w)
            continue;
        if (w->WindowState() != 0)
            w->setWindowStateValue(0);
        records.append(storedNoteFromWindow(slot));
    }
    return WriteNoteStore(records, pixelScale());
}

Program::StoreSave Program::writeStore(QString *failure, QByteArray *document)
{
    // While the store loads, or while the notes are unloaded, the table is not the store.
    if (!m_storeLoaded)
        return StoreSave::NotLoaded;
    // A quick save still under way must not finish after this one.
    m_quickSave->settle();
    const QByteArray written = storeDocument();
    if (document)
        *document = written;
    if (m_storeUnsafe) {
        *failure = QStringLiteral("Pellux did not save your notes because \"%1\" could not be set aside.  "
                                  "Move it out of the way and save again.")
                       .arg(QDir::toNativeSeparators(storePath()));
        return StoreSave::Failed;
    }
    settingsStore().set(Setting::NotePath, DataFolder);
    settingsStore().set(Setting::AppPath, appPath);

    QDir().mkpath(DataFolder);
    const StoreWriteResult result =
        WriteStoreFile(storePath(), written, DataFolder + BackupFileName, upperBound() > 0 && !m_keepBackup,
                       saveFileFactory);
    if (!result.ok) {
        *failure = QStringLiteral("Pellux could not save your notes to \"%1\".\r\r%2\r\rThe notes saved "
                                  "before are unchanged, and your notes are still open.")
                       .arg(QDir::toNativeSeparators(storePath()), result.error);
        return StoreSave::Failed;
    }
    m_quickSave->saved();
    return StoreSave::Saved;
}

// ---- the instance channel -------------------------------------------------

bool Program::startControlServer()
{
    m_server = std::make_unique<ControlServer>(this);
    QString error;
    if (!m_server->start(&error)) {
        qWarning("Pellux: the control channel could not start: %s", qPrintable(error));
        m_server.reset();
        return false;
    }
    return true;
}

void Program::channelSyncOn()
{
    flash().DispMsg(QStringLiteral("Synchronizing with Remote"));
}

void Program::channelSyncOff()
{
    flash().StopMsg();
}

void Program::channelControlPanel()
{
    hub().ControlPanel();
}

void Program::channelExit()
{
    hub().Exit();
}

bool Program::channelSaveNotes()
{
    flash().DispMsg(QStringLiteral("Saving Notes"));
    QString failure;
    const StoreSave outcome = writeStore(&failure);
    flash().StopMsg();
    // The client hears the outcome at once; the box comes up after the answer, so the
    // channel is not held while it is open.
    if (outcome == StoreSave::Failed) {
        QMetaObject::invokeMethod(
            this, [this, failure] { prompts().message(failure, MsgIcon::Exclamation); }, Qt::QueuedConnection);
    }
    return outcome == StoreSave::Saved;
}

void Program::channelLoadNotes()
{
    // Loading over open notes would leave their windows orphaned beside the new ones.
    if (upperBound() > 0)
        UnloadNotes();
    LoadNotes();
}

void Program::channelUnloadNotes()
{
    UnloadNotes();
}

bool Program::channelLoadNote(const QString &path)
{
    return hub().LoadNoteFile(path);
}

} // namespace pellux
