#include "password/PasswordFeature.h"

#include "app/Commands.h"
#include "app/NoteWindow.h"
#include "app/Program.h"
#include "platform/Prompts.h"
#include "platform/frmPassword.h"

#include <QPointer>

namespace pellux {

namespace {

const QString DialogTitle = QStringLiteral("Pellux Password");

} // namespace

void ProtectNote(Program &program, int slot)
{
    QPointer<NoteWindow> w = program.note(slot);
    if (!w)
        return;
    Prompts &prompts = program.prompts();
    // Every dialog lets events run: the note may be gone (or its slot refilled) after it.
    auto stillThere = [&] { return w && program.note(slot) == w; };

    if (!w->GetNotePass().isEmpty()) {
        if (prompts.message(QStringLiteral("Are You Sure You Want To Remove The Protection On This Note?"),
                            MsgIcon::None, MsgButtons::YesNo, DialogTitle)
                == MsgResult::Yes
            && stillThere())
            w->SetNotePass(QString());
    } else if (prompts.message(QStringLiteral("Are You Sure You Want To Password Protect This Note?"), MsgIcon::None,
                               MsgButtons::YesNo, DialogTitle)
               == MsgResult::Yes) {
        const QString pass = prompts.password(QStringLiteral("Password"), QStringLiteral("Input Password:"), true,
                                              frmPassword::NotePasswordLength);
        if (!stillThere())
            return;
        // "Password Set" only once the note really is protected.
        if (!pass.isEmpty() && w->SetNotePass(pass))
            prompts.message(QStringLiteral("Password Set"), MsgIcon::Information, MsgButtons::Ok, DialogTitle);
        else
            prompts.message(QStringLiteral("Operation Failed"), MsgIcon::Information, MsgButtons::Ok, DialogTitle);
    }
    // The panel's display of the selection and the note's tray item follow the table.
    if (stillThere())
        program.notes().touch(slot);
}

void InstallPassword(Program &program)
{
    program.hub().provide(Feature::ProtectNote, [&program](int slot) { ProtectNote(program, slot); });
}

} // namespace pellux
