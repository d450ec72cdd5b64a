#include "app/Commands.h"

#include "app/ControlPanel.h"
#include "app/FlashMsg.h"
#include "app/NoteWindow.h"
#include "app/Program.h"
#include "platform/ModalScope.h"
#include "platform/Prompts.h"
#include "platform/ScreenMetrics.h"

#include <QWidget>

namespace pellux {

namespace {

/// What a command this build does not have says when it is reached anyway.
QString missingText(Feature feature)
{
    switch (feature) {
    case Feature::Search: return QStringLiteral("Searching the notes is not available in this build.");
    case Feature::ProgramOptions: return QStringLiteral("Program Options are not available in this build.");
    case Feature::About: return QStringLiteral("The About box is not available in this build.");
    case Feature::PrintNote: return QStringLiteral("Printing is not available in this build.");
    case Feature::EMailNote: return QStringLiteral("E-Mail is not available in this build.");
    case Feature::SaveNoteToFile: return QStringLiteral("Saving a note to a file is not available in this build.");
    case Feature::SetAlarm: return QStringLiteral("Alarms are not available in this build.");
    case Feature::ProtectNote: return QStringLiteral("Password protection is not available in this build.");
    case Feature::FireAlarm: break;
    }
    return QString();
}

} // namespace

Commands::Commands(Program &program)
    : m_program(program)
{
}

Commands::~Commands() = default;

QString Commands::notAvailableText()
{
    return QStringLiteral("Not available in this build");
}

// ---- one note -----------------------------------------------------------------------

void Commands::ShowNote(int slot)
{
    if (NoteWindow *w = m_program.note(slot))
        w->ShowNote();
}

void Commands::HideNote(int slot)
{
    if (NoteWindow *w = m_program.note(slot))
        w->HideNote();
}

void Commands::ShowHideNote(int slot)
{
    NoteWindow *w = m_program.note(slot);
    if (!w)
        return;
    if (w->Visible())
        w->HideNote();
    else
        w->ShowNote();
}

void Commands::BringNote(int slot)
{
    NoteWindow *w = m_program.note(slot);
    if (!w)
        return;
    w->ShowNote();
    if (!w->Visible())
        return;
    w->setWindowStateValue(0);
    QPoint corner;
    if (pellux::ControlPanel *panel = m_program.panel())
        corner = panel->window()->pos();
    const ScreenMetrics &screen = m_program.screen();
    w->Move(corner.x() * screen.twipsPerPixelX(), corner.y() * screen.twipsPerPixelY());
}

void Commands::DelNote(int slot, bool silent)
{
    // The roll-up check must not reach for a window that is about to go.
    m_program.activeNote = ActiveNote{};
    QPointer<NoteWindow> w = m_program.note(slot);
    if (!w)
        return;
    if (!silent && !w->GetNotePass().isEmpty()) {
        m_program.prompts().message(QStringLiteral("ERROR:  Password Must Be Removed Before Deleting Note."),
                                    MsgIcon::Critical);
        return;
    }
    if (!silent) {
        const MsgResult r = m_program.prompts().message(
            QStringLiteral("Delete Note \"") + w->Caption() + QStringLiteral("\"?"), MsgIcon::Question,
            MsgButtons::YesNo, m_program.ProductName, MsgResult::No);
        // The question lets events run: the notes may have been unloaded meanwhile.
        if (r != MsgResult::Yes || !w || m_program.note(slot) != w)
            return;
    }
    // Closing a visible window must not record a rolled-up size as its height.
    if (w->Visible())
        w->NoteRolled = true;
    m_program.unloadNote(slot);
}

void Commands::RetitleNote(int slot)
{
    if (NoteWindow *w = m_program.note(slot))
        w->Retitle();
}

// ---- all notes ------------------------------------------------------------------------

bool Commands::NewNote(NoteKind kind, QString &title)
{
    const NoteKindProcs *procs = m_program.noteKind(kind);
    return procs && procs->create && procs->create(m_program, title);
}

// A deleted note is told by its empty slot, not by its title: a note may be titled
// "(Deleted)" itself.
void Commands::HideAllNotes()
{
    for (int i = 1; i <= m_program.upperBound(); ++i) {
        if (NoteWindow *w = m_program.note(i))
            w->HideNote();
    }
}

void Commands::ShowAllNotes()
{
    for (int i = 1; i <= m_program.upperBound(); ++i) {
        NoteWindow *w = m_program.note(i);
        if (w && w->GetNotePass().isEmpty())
            w->ShowNote();
    }
}

void Commands::ShowOrHideAll(bool hide)
{
    if (hide)
        HideAllNotes();
    else
        ShowAllNotes();
}

void Commands::NotesToTop()
{
    // Raising and activating the notes must not count as the clicks of a user.
    const ModalScope scope(m_program.modal());
    NoteWindow *first = nullptr;
    for (int i = 1; i <= m_program.upperBound(); ++i) {
        NoteWindow *w = m_program.note(i);
        if (w && w->Visible()) {
            w->restoreFromMinimised();
            w->raise();
            if (!first)
                first = w;
        }
    }
    if (first) {
        first->raise();
        first->activateWindow();
    }
}

void Commands::ResetNoteStyles()
{
    if (m_program.upperBound() < 1)
        return;
    m_program.flash().DispMsg(QStringLiteral("Updating Notes"));
    for (int i = 1; i <= m_program.upperBound(); ++i) {
        if (NoteWindow *w = m_program.note(i))
            w->UpdateSettings();
    }
    m_program.flash().StopMsg();
}

void Commands::ResetNotes()
{
    const MsgResult r = m_program.prompts().message(
        QStringLiteral("This Will Reset All Notes To The New Note Font & Color Specified On The Control "
                       "Panel.\r\rContinue This Action?"),
        MsgIcon::Question, MsgButtons::YesNo);
    if (r == MsgResult::Yes)
        ResetNoteStyles();
}

void Commands::ConvertDynamicTitles()
{
    bool target = false;
    if (m_program.prompts().message(QStringLiteral("Convert All Notes To Dynamic Title?\r(This will destroy all "
                                                   "current note titles)"),
                                    MsgIcon::Question, MsgButtons::YesNo)
        == MsgResult::Yes) {
        target = true;
    } else if (m_program.prompts().message(QStringLiteral("Convert All Notes To Normal Title?"), MsgIcon::Question,
                                           MsgButtons::YesNo)
               == MsgResult::Yes) {
        target = false;
    } else {
        return;
    }
    Notes &notes = m_program.notes();
    for (int slot = 1; slot <= notes.upperBound(); ++slot) {
        const NoteEntry *e = notes.entry(slot);
        if (!e || !e->window || e->kind != NoteKind::TextNote || e->isProtected)
            continue;
        // The note follows its flag: it keeps its retitle command in step and retitles from the text.
        notes.setDynamicTitle(slot, target);
    }
    if (m_program.noteDefaults().dynamicTitle != target) {
        m_program.setNewNoteDynamicTitle(target);
        m_program.SaveSettings();
    }
}

void Commands::SaveNotesNow()
{
    m_program.flash().DispMsg(QStringLiteral("Please Wait...Saving"));
    m_program.SaveNotes();
    m_program.flash().StopMsg();
}

void Commands::ControlPanel()
{
    if (pellux::ControlPanel *panel = m_program.panel())
        panel->bringUp();
}

void Commands::Exit()
{
    m_program.exitConfirmed = true;
    if (pellux::ControlPanel *panel = m_program.panel())
        panel->requestExit();
    else
        m_program.ShutDown();
}

// ---- the commands of features -----------------------------------------------------

void Commands::provide(Feature feature, Handler handler)
{
    if (handler)
        m_handlers[feature] = std::move(handler);
    else
        m_handlers.erase(feature);
}

bool Commands::available(Feature feature) const
{
    return m_handlers.count(feature) != 0;
}

void Commands::run(Feature feature, int slot)
{
    const auto it = m_handlers.find(feature);
    if (it != m_handlers.end()) {
        // Copied: a handler may replace itself while it runs.
        const Handler handler = it->second;
        handler(slot);
        return;
    }
    const QString text = missingText(feature);
    if (!text.isEmpty())
        m_program.prompts().message(text, MsgIcon::Information);
}

void Commands::provideNoteFileImport(std::function<bool(const QString &)> importer)
{
    m_importNoteFile = std::move(importer);
}

bool Commands::LoadNoteFile(const QString &path)
{
    return m_importNoteFile && m_importNoteFile(path);
}

void Commands::provideNoteMail(NoteMailer mailer)
{
    m_mailNote = std::move(mailer);
}

void Commands::MailNote(int slot, int mailType, const QString &mailTo, const QString &mailSubject)
{
    if (m_mailNote) {
        const NoteMailer mailer = m_mailNote;
        mailer(slot, mailType, mailTo, mailSubject);
        return;
    }
    m_program.prompts().message(missingText(Feature::EMailNote), MsgIcon::Information);
}

} // namespace pellux
