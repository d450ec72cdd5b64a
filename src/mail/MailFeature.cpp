#include "mail/MailFeature.h"

#include "app/Commands.h"
#include "app/Program.h"
#include "mail/NoteMail.h"

namespace pellux {

void InstallMail(Program &program)
{
    auto *mail = new NoteMail(program);
    program.hub().provide(Feature::EMailNote, [mail](int slot) { mail->MailANote(slot); });
    program.hub().provideNoteMail(
        [mail, &program](int slot, int mailType, const QString &mailTo, const QString &mailSubject) {
            const NoteEntry *entry = program.notes().entry(slot);
            if (!entry || !program.note(slot))
                return;
            if (entry->kind == NoteKind::CheckList)
                mail->MailCheckList(slot, mailType, mailTo, mailSubject);
            else
                mail->MailTextNote(slot, mailType, mailTo, mailSubject);
        });
}

NoteMail *NoteMailOf(Program &program)
{
    return program.findChild<NoteMail *>(QStringLiteral("NoteMail"), Qt::FindDirectChildrenOnly);
}

} // namespace pellux
