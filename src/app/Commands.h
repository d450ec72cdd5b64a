#pragma once

#include "core/NoteRecord.h"

#include <QObject>
#include <QString>

#include <functional>
#include <map>

namespace pellux {

class Program;

/// Commands that a feature of its own provides. Until one is provided, the command
/// is "not available in this build": its menu items and buttons are disabled.
enum class Feature {
    // on the program
    Search,
    ProgramOptions,
    About,
    // on one note (the slot is the argument)
    PrintNote,
    EMailNote,
    SaveNoteToFile,
    SetAlarm,
    ProtectNote,
    FireAlarm,
};

/**
 * The command hub: every user command on one note or on all notes, whoever asks for
 * it (the panel's buttons, a note's menus, the tray menu, the control channel). The
 * commands every build has are carried out here; the others are entries that the
 * features fill in when they are installed.
 */
class Commands : public QObject
{
    Q_OBJECT

public:
    explicit Commands(Program &program);
    ~Commands() override;

    // ---- commands on one note ------------------------------------------------------
    /// Shows the note (asking for its password when it is hidden and protected).
    void ShowNote(int slot);
    void HideNote(int slot);
    /// The panel's show/hide button: hides a visible note, shows a hidden one.
    void ShowHideNote(int slot);
    /// Shows the note and moves it to the panel's corner.
    void BringNote(int slot);
    /// Deletes the note (asks first unless \a silent; refuses a protected note unless silent).
    void DelNote(int slot, bool silent);
    /// Asks for a new title, with the prompt of the note's kind.
    void RetitleNote(int slot);

    // ---- commands on all notes ----------------------------------------------------------
    /// The new-note procedure of \a kind (asks for a title); \a title holds the final
    /// title. False when nothing was created.
    bool NewNote(NoteKind kind, QString &title);
    void ShowAllNotes();
    void HideAllNotes();
    /// The panel's show/hide-all button: \a hide hides every note, otherwise every
    /// unprotected one is shown.
    void ShowOrHideAll(bool hide);
    /// Raises every visible note and gives the first one the focus.
    void NotesToTop();
    /// Every note takes the new-note font and colours.
    void ResetNoteStyles();
    /// Asks, then resets every note's style to the new-note defaults.
    void ResetNotes();
    /// Asks which way, then turns every unprotected text note's dynamic title on or off.
    void ConvertDynamicTitles();
    /// Writes the store now, under the "Please Wait...Saving" banner.
    void SaveNotesNow();
    void ControlPanel();
    /// Ends the program without asking.
    void Exit();

    // ---- the commands of features ----------------------------------------------------
    using Handler = std::function<void(int slot)>;
    /// Installs the handler of \a feature (a feature does this once, when it is installed).
    void provide(Feature feature, Handler handler);
    bool available(Feature feature) const;
    /// Runs \a feature on \a slot (0 for the commands on the program); a command this
    /// build does not have says so.
    void run(Feature feature, int slot = 0);

    /// Imports a single-note file; false when it could not be (or no importer is installed).
    bool LoadNoteFile(const QString &path);
    void provideNoteFileImport(std::function<bool(const QString &path)> importer);

    /// Mails the note in \a slot (what a note window's EMailNote does): \a mailType 0 HTML,
    /// 1 plain text, another value the attachment only.
    void MailNote(int slot, int mailType, const QString &mailTo, const QString &mailSubject);
    using NoteMailer = std::function<void(int slot, int mailType, const QString &mailTo, const QString &mailSubject)>;
    void provideNoteMail(NoteMailer mailer);

    /// The tooltip of a command this build does not have.
    static QString notAvailableText();

private:
    Program &m_program;
    std::map<Feature, Handler> m_handlers;
    std::function<bool(const QString &)> m_importNoteFile;
    NoteMailer m_mailNote;
};

} // namespace pellux
