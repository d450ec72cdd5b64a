#include "core/app/Program.h"

#include "checklists/CheckListProc.h"
#include "core/NoteGuid.h"
#include "core/channel/ControlClient.h"
#include "core/store/StoreDomReader.h"
#include "core/store/StoreStreamReader.h"
#include "core/store/StoreWriter.h"
#include "core/TextRules.h"
#include "core/app/FlashMsg.h"
#include "notes/NoteProc.h"
#include "notes/NoteWindow.h"
#include "notes/TextNoteProt.h"
#include "checklists/CheckListProt.h"
#include "panel/NCP.h"
#include "panel/frmPelluxMenu.h"
#include "platform/Clock.h"
#include "platform/Prompts.h"
#include "platform/ScreenMetrics.h"
#include "platform/SystemQueries.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QCheckBox>
#include <QUrl>

namespace pellux {

namespace {

QString withSlash(QString folder)
{
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

} // namespace

Program::Program(const Services &services, std::unique_ptr<SettingsStore> settingsStore)
    : m_services(services)
    , m_settingsStore(settingsStore ? std::move(settingsStore) : std::make_unique<SettingsStore>())
{
    Notes.append(nullptr);
    VersionText = QStringLiteral("%1.%2 %3 (Build %4)")
                      .arg(VersionMajor)
                      .arg(VersionMinor)
                      .arg(VersionTag)
                      .arg(VersionRevision);
    endProcess = [](int code) { QCoreApplication::exit(code); };
    appPath = QCoreApplication::applicationDirPath();
    workingDirectory = QDir::currentPath();
}

Program::~Program()
{
    m_server.reset();
    for (int i = 1; i < Notes.size(); ++i)
        delete Notes.at(i);
    Notes.clear();
    // Windows unloaded earlier still refer to the program in their destructors.
    for (const QPointer<NoteWindow> &w : std::as_const(m_unloading))
        delete w.data();
    m_unloading.clear();
    m_trayMenu.reset();
    m_ncp.reset();
    m_flash.reset();
}

PixelScale Program::pixelScale() const
{
    return PixelScale{screen().twipsPerPixelX(), screen().twipsPerPixelY()};
}

NCP &Program::ncp()
{
    if (!m_ncp) {
        m_ncp = std::make_unique<NCP>(*this);
        m_ncp->Form_Load();
    }
    return *m_ncp;
}

frmPelluxMenu &Program::trayMenu()
{
    if (!m_trayMenu)
        m_trayMenu = std::make_unique<frmPelluxMenu>(*this);
    return *m_trayMenu;
}

FlashMsg &Program::flash()
{
    if (!m_flash)
        m_flash = std::make_unique<FlashMsg>();
    return *m_flash;
}

// ---- the note table ---------------------------------------------------------

NoteWindow *Program::note(int slot) const
{
    if (slot < 1 || slot >= Notes.size())
        return nullptr;
    return Notes.at(slot);
}

int Program::growNotes()
{
    Notes.append(nullptr);
    return upperBound();
}

void Program::growNotesTo(int upper)
{
    while (upperBound() < upper)
        Notes.append(nullptr);
}

void Program::placeNote(int slot, NoteWindow *window)
{
    growNotesTo(slot);
    if (Notes.at(slot) && Notes.at(slot) != window)
        unloadNote(slot);
    Notes[slot] = window;
}

void Program::unloadNote(int slot)
{
    NoteWindow *w = note(slot);
    if (!w)
        return;
    Notes[slot] = nullptr;
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

NoteDefaults Program::noteDefaults()
{
    NoteDefaults d;
    d.style = ncp().sampleStyle();
    d.ontop = ncp().chkAlwaysOnTop->isChecked();
    d.rollup = ncp().chkRollup->isChecked();
    d.dynamicTitle = ncp().chkDynamicTitle->isChecked();
    return d;
}

QString Program::NewNoteGUID() const
{
    return pellux::NewNoteGUID(system().computerName(), clock().now());
}

QString Program::NewNoteGUIDWithWait()
{
    const QDateTime made = clock().now();
    const QString id = pellux::NewNoteGUID(system().computerName(), made);
    // Two identifiers made within one hundredth of a second would be equal.
    clock().waitUntil(made.addSecs(1));
    return id;
}

QString Program::storePath() const
{
    return DataFolder + StoreFileName;
}

// ---- start-up and shutdown ------------------------------------------------

std::optional<int> Program::Main(const QStringList &arguments)
{
    loading = 1;
    VersionText = QStringLiteral("%1.%2 %3 (Build %4)")
                      .arg(VersionMajor)
                      .arg(VersionMinor)
                      .arg(VersionTag)
                      .arg(VersionRevision);
    IsWin2000Plus = system().osMajorVersion() >= 5;
    GetTempFolder();

    const QString commandLine = arguments.join(QLatin1Char(' '));
    if (!commandLine.isEmpty()) {
        SendCommandLine(commandLine);
        return 0;
    }
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
    ncp().show();
    if (m_terminateRequested)
        return 0;
    return std::nullopt;
}

void Program::GetTempFolder()
{
    TempFolder = system().tempFolder();
    const int nul = TempFolder.indexOf(QChar(0));
    if (nul >= 0)
        TempFolder.truncate(nul);
}

void Program::SendCommandLine(const QString &commandLine)
{
    QString path = commandLine;
    if (path.startsWith(QLatin1Char('"')))
        path = path.mid(1, path.size() - 2);
    if (!QFileInfo::exists(path)) {
        prompts().message(QStringLiteral("File Doesn't Exist"), MsgIcon::Exclamation);
        return;
    }
    ControlClient client;
    const ControlClient::HandOver handOver = client.SendDDERequest(path);
    if (!handOver.instanceAnswered) {
        prompts().message(QStringLiteral("Error in communications.\r\rMake sure Pellux is running before trying to "
                                         "click on a NoteFile."),
                          MsgIcon::Exclamation);
    } else if (handOver.loadNote == ControlClient::Reply::Refused) {
        // The running instance could not take the file; say so rather than appear to succeed.
        prompts().message(QStringLiteral("The running Pellux could not load \"%1\".").arg(path),
                          MsgIcon::Exclamation);
    }
}

bool Program::ActivateRunningInstance()
{
    ControlClient client;
    if (client.OpenControlPanel())
        return true;
    // Nobody answered. Take the instance lock so that two starts at once cannot
    // both become the running instance; whoever holds it is starting up now.
    m_instanceLock = std::make_unique<InstanceLock>();
    if (m_instanceLock->tryLock())
        return false;
    m_instanceLock.reset();
    // Another instance is starting (its channel opens once its store has loaded).
    const QDateTime giveUp = clock().now().addSecs(30);
    while (clock().now() < giveUp) {
        clock().waitUntil(clock().now().addMSecs(250));
        if (client.OpenControlPanel())
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
        ++modalDialog;
        const MsgResult r = prompts().message(
            QStringLiteral("Pellux has detected that this is the first time you have ran this version.\r\rWould you "
                           "like to see the Program Options screen now?"),
            MsgIcon::Information, MsgButtons::YesNo, QStringLiteral("Pellux v") + VersionText);
        --modalDialog;
        if (m_terminateRequested)
            return;
        if (r == MsgResult::Yes)
            ncp().cmdProgOpt_Click();
        settingsStore().set(Setting::Version, VersionText);
        settingsStore().set(Setting::NextUpdateCheck, newNext);
        settings.Version = VersionText;
        settings.NextUpdateCheck = newNext;
    } else if (nextCheck <= today) {
        ++modalDialog;
        const MsgResult r = prompts().message(
            QStringLiteral("It has been at least 3 months since you've checked for a new version of Pellux.\r\rWould "
                           "you like to check for a new version now?"),
            MsgIcon::Question, MsgButtons::YesNo);
        --modalDialog;
        if (m_terminateRequested)
            return;
        if (r == MsgResult::Yes)
            CheckForUpdates();
        settingsStore().set(Setting::NextUpdateCheck, newNext);
        settings.NextUpdateCheck = newNext;
    }
    settingsStore().sync();
}

QUrl Program::updateCheckUrl() const
{
    // The product name goes into the query as it is, unencoded.
    return QUrl(QStringLiteral("http://www.brackwel.example/checkversion.asp?app=%1&vermaj=%2&vermin=%3&verrev=%4")
                    .arg(ProductName)
                    .arg(VersionMajor)
                    .arg(VersionMinor)
                    .arg(VersionRevision),
                QUrl::TolerantMode);
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
    if (m_ncp) {
        m_ncp->enableNoteTimers(false);
        if (m_ncp->TrayNot)
            m_ncp->TrayNot->setProperty("InTray", false);
        settingsStore().set(Setting::WindowState, m_ncp->WindowStateValue());
    }
    if (m_storeLoaded)
        SaveNotes();
    if (upperBound() > 0)
        UnloadNotes();
    m_trayMenu.reset();
    m_server.reset();
    if (m_ncp)
        m_ncp->hide();
    settingsStore().sync();
    flash().StopMsg();
    m_instanceLock.reset();
    endProcess(0);
}

void Program::TerminateRequested()
{
    if (m_shuttingDown)
        return;
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
    for (int i = 1; i < Notes.size(); ++i) {
        if (Notes.at(i) && Notes.at(i)->NoteGUID == g)
            return qint16(i);
    }
    return 0;
}

void Program::UnloadNotes()
{
    if (m_ncp)
        m_ncp->enableNoteTimers(false);
    for (int i = 1; i < Notes.size(); ++i) {
        unloadNote(i);
        QCoreApplication::processEvents();
    }
    trayMenu().UnloadNoteItems();
    if (m_ncp)
        m_ncp->NoteList->clear();
    Notes.clear();
    Notes.append(nullptr);
    activeNote = ActiveNote{};
}

void Program::RefreshNotes()
{
    for (int i = 1; i < Notes.size(); ++i) {
        if (Notes.at(i) && Notes.at(i)->Visible())
            Notes.at(i)->RefreshDisplay();
    }
}

void Program::CheckRollUp()
{
    if (activeNote.slot == 0)
        return;
    NoteWindow *w = note(activeNote.slot);
    if (!w)
        return;
    QWidget *foreground = system().foregroundWindow();
    const bool inFront = foreground == w;
    if (w->mnuRollUp->isChecked() && !inFront && !w->NoteRolled)
        w->NoteRoll();
    else if (w->mnuRollUp->isChecked() && inFront && w->NoteRolled)
        w->NoteUnroll();
    if (inFront)
        w->CheckClipboard();
}

void Program::CheckAlarms()
{
    if (upperBound() < 1)
        return;
    const QTime t = clock().now().time();
    for (int i = 1; i < Notes.size(); ++i) {
        if (Notes.at(i))
            Notes.at(i)->CheckAlarm(t);
    }
}

// ---- settings ---------------------------------------------------------------

void Program::LoadSettings()
{
    NCP &panel = ncp();
    settings = settingsStore().load(FontSettingOf(panel.listFontStyle()), clock().today());

    // A stored position off the screen comes back to the corner.
    if (settings.Top >= screen().screenHeightTwips())
        settings.Top = 100;
    if (settings.Left >= screen().screenWidthTwips())
        settings.Left = 100;
    panel.applyStoredGeometry();

    NoteStyle sample;
    ApplyFontSetting(sample, settings.font);
    sample.foreColor = settings.Fore;
    sample.backColor = settings.Back;
    panel.setSampleStyle(sample);
    panel.UpdateSample();

    panel.chkAlwaysOnTop->setChecked(settings.AlwaysOnTop != 0);
    panel.chkDynamicTitle->setChecked(settings.DynamicTitle != 0);
    panel.chkRollup->setChecked(settings.RollUp != 0);
    QCoreApplication::processEvents();
}

void Program::SaveSettings()
{
    NCP &panel = ncp();
    const bool visible = panel.isVisible();
    if (visible) {
        settings.Top = panel.pos().y() * screen().twipsPerPixelY();
        settings.Left = panel.pos().x() * screen().twipsPerPixelX();
    }
    const NoteStyle s = panel.sampleStyle();
    settings.Fore = s.foreColor;
    settings.Back = s.backColor;
    settings.font = FontSettingOf(s);
    settings.AlwaysOnTop = panel.chkAlwaysOnTop->isChecked() ? 1 : 0;
    settings.DynamicTitle = panel.chkDynamicTitle->isChecked() ? 1 : 0;
    settings.RollUp = panel.chkRollup->isChecked() ? 1 : 0;
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

    loading = 1;
    Notes.clear();
    Notes.append(nullptr);

    QString path = storePath();
    bool fromWorkingDirectory = false;
    const QString local = QDir(workingDirectory).filePath(StoreFileName);
    if (!workingDirectory.isEmpty() && QFileInfo(local).size() > 0
        && QFileInfo(local).canonicalFilePath() != QFileInfo(path).canonicalFilePath()) {
        path = local;
        fromWorkingDirectory = true;
    }

    bool loaded = true;
    QFile file(path);
    if (!file.exists()) {
        // The first start creates the store empty.
        if (file.open(QIODevice::WriteOnly))
            file.close();
    }
    if (QFileInfo(path).size() > 0) {
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
            // Older record stores are not read by this build; keep the file whole for one that can.
            setAsideUnreadable(path, QStringLiteral("Pellux.NoteData is in an older format that this version of "
                                                    "Pellux cannot read."));
            loaded = false;
            break;
        case StoreFormat::Unknown:
            setAsideUnreadable(path, QStringLiteral("Pellux.NoteData is in a unknown format.  Notes not loaded."));
            loaded = false;
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
    if (fromWorkingDirectory && loaded) {
        // The notes now live in the data folder; the old file goes only once they are safely there.
        if (SaveNotes())
            QFile::remove(path);
    }
    if (m_ncp)
        m_ncp->enableNoteTimers(true);
    loading = 0;
    emit notesLoaded();
}

void Program::setAsideUnreadable(const QString &path, const QString &why)
{
    const QString stamp = clock().now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString aside = SetAsideUnreadableStore(path, stamp);
    QString text = why;
    if (!aside.isEmpty()) {
        text += QStringLiteral("\r\rThe file has been kept as \"%1\" and will not be overwritten.  Pellux starts "
                               "with no notes.")
                    .arg(QDir::toNativeSeparators(aside));
    } else {
        text += QStringLiteral("\r\rThe file \"%1\" could not be set aside.  Pellux will not save notes over it.")
                    .arg(QDir::toNativeSeparators(path));
        m_storeUnsafe = true;
    }
    prompts().message(text, MsgIcon::Exclamation);
}

bool Program::LoadNoteData(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setAsideUnreadable(path, QStringLiteral("Pellux.NoteData could not be read: %1").arg(file.errorString()));
        return false;
    }
    const QByteArray bytes = file.readAll();
    file.close();

    const PixelScale scale = pixelScale();
    const NoteDefaults defaults = noteDefaults();
    const StoreReadResult read = ReadNoteStore(bytes, scale, defaults);
    if (!read.ok) {
        setAsideUnreadable(path, QStringLiteral("Pellux.NoteData could not be read (%1).").arg(read.error));
        return false;
    }

    NCP &panel = ncp();
    bool flashed = false;
    for (const StoredNote &note : read.notes) {
        QCoreApplication::processEvents();
        if (m_terminateRequested)
            break;
        const StoredNote *stored = &note;
        const int n = growNotes();
        panel.appendListEntry(stored->title);
        NoteWindow *w = stored->isTextNote()
                            ? static_cast<NoteWindow *>(NoteProc::TextNoteFromStored(*this, *stored, n))
                            : static_cast<NoteWindow *>(CheckListProc::CheckListFromStored(*this, *stored, n));
        w->noteType = stored->type;
        if (stored->left)
            w->setLeft(*stored->left);
        if (stored->top)
            w->setTop(*stored->top);
        if (stored->width)
            w->setWidth(*stored->width);
        if (stored->height)
            w->setHeight(*stored->height);
        // Loaded notes appear without taking the focus from one another (each would
        // otherwise roll up the one shown before it).
        w->setAttribute(Qt::WA_ShowWithoutActivating, true);
        w->setVisible(stored->visible);
        w->setAttribute(Qt::WA_ShowWithoutActivating, false);
        if (stored->nid.isEmpty()) {
            if (!flashed)
                flash().DispMsg(QStringLiteral("Initializing GUIDs (One Time Only)"));
            flashed = true;
            w->NoteGUID = NewNoteGUIDWithWait();
        } else {
            w->NoteGUID = stored->nid;
        }
        trayMenu().UpdateNoteList(n);
        CurrentAlarm = stored->alarm;
        w->SetAlarmData();
    }
    flash().StopMsg();
    if (!read.skipped.isEmpty()) {
        QStringList lines;
        for (const SkippedNote &skip : read.skipped) {
            lines << (skip.title.isEmpty() ? QStringLiteral("Note %1: %2").arg(skip.position).arg(skip.reason)
                                           : QStringLiteral("Note %1 (\"%2\"): %3")
                                                 .arg(skip.position)
                                                 .arg(skip.title, skip.reason));
        }
        prompts().message(QStringLiteral("Some notes in Pellux.NoteData could not be loaded and were left out:\r\r")
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
    s.type = w->noteType;
    s.title = m_ncp ? m_ncp->listEntry(slot) : w->Caption();
    s.nid = w->NoteGUID;
    s.top = w->Top();
    s.left = w->Left();
    s.width = w->Width();
    // Only a rolled-up note is shorter than its real height.
    s.height = (w->NoteRolled && w->NoteHeight > 0) ? w->NoteHeight : w->Height();
    s.visible = w->Visible();
    s.rollup = w->mnuRollUp->isChecked();
    s.ontop = w->mnuOnTop->isChecked();
    w->GetAlarmData();
    s.alarm = CurrentAlarm;
    s.style = w->noteStyle();
    w->fillStoredData(s);
    return s;
}

bool Program::SaveNotes()
{
    if (m_storeUnsafe) {
        prompts().message(QStringLiteral("Pellux did not save your notes because \"%1\" could not be set aside.  "
                                         "Move it out of the way and save again.")
                              .arg(QDir::toNativeSeparators(storePath())),
                          MsgIcon::Exclamation);
        return false;
    }
    settingsStore().set(Setting::NotePath, DataFolder);
    settingsStore().set(Setting::AppPath, appPath);

    QList<StoredNote> records;
    const int entries = m_ncp ? m_ncp->NoteList->count() : upperBound();
    for (int i = 0; i < entries; ++i) {
        const int slot = i + 1;
        NoteWindow *w = note(slot);
        // A deleted note is an empty slot, whatever its list entry reads.
        if (!w)
            continue;
        if (w->WindowState() != 0)
            w->setWindowStateValue(0);
        records.append(storedNoteFromWindow(slot));
    }

    const QByteArray document = WriteNoteStore(records, pixelScale());
    QDir().mkpath(DataFolder);
    const StoreWriteResult result =
        WriteStoreFile(storePath(), document, DataFolder + BackupFileName, entries > 0, saveFileFactory);
    if (!result.ok) {
        prompts().message(QStringLiteral("Pellux could not save your notes to \"%1\".\r\r%2\r\rThe notes saved "
                                         "before are unchanged, and your notes are still open.")
                              .arg(QDir::toNativeSeparators(storePath()), result.error),
                          MsgIcon::Exclamation);
        return false;
    }
    return true;
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
    ncp().mnuPelluxControl();
}

void Program::channelExit()
{
    exitConfirmed = true;
    ncp().mnuPelluxExit();
}

void Program::channelSaveNotes()
{
    flash().DispMsg(QStringLiteral("Saving Notes"));
    SaveNotes();
    flash().StopMsg();
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
    Q_UNUSED(path);
    // Single-note files are not read by this build: refuse rather than half do it.
    return false;
}

} // namespace pellux
