#include "mail/NoteMail.h"

#include "app/FlashMsg.h"
#include "app/Program.h"
#include "core/mail/MailRules.h"
#include "core/notefile/NoteFile.h"
#include "core/render/NoteHtml.h"
#include "mail/frmEMailNote.h"
#include "platform/Clock.h"
#include "platform/Prompts.h"
#include "platform/SmtpPasswordStore.h"

#include <QTimer>

namespace pellux {

NoteMail::NoteMail(Program &program) : QObject(&program), m_program(program)
{
    setObjectName(QStringLiteral("NoteMail"));
    connect(&m_sender, &MailSender::stageReached, this, [this](int, const QString &stage) { post(Event{stage, {}}); });
    connect(&m_sender, &MailSender::finished, this, [this](int, const MailResult &result) { post(Event{{}, result}); });
}

NoteMail::~NoteMail()
{
    // Dialogs still open refer to the program, which is going.
    for (const QPointer<frmEMailNote> &dialog : std::as_const(m_dialogs))
        delete dialog.data();
}

void NoteMail::MailANote(int slot)
{
    auto *dialog = new frmEMailNote(m_program);
    if (!dialog->MailANote(slot)) {
        delete dialog;
        return;
    }
    m_dialogs.removeAll(nullptr);
    m_dialogs.append(dialog);
}

void NoteMail::MailTextNote(int slot, int EMType, const QString &MailTo, const QString &MailSubject)
{
    send(slot, false, EMType, MailTo, MailSubject);
}

void NoteMail::MailCheckList(int slot, int EMType, const QString &MailTo, const QString &MailSubject)
{
    send(slot, true, EMType, MailTo, MailSubject);
}

void NoteMail::send(int slot, bool checkList, int EMType, const QString &MailTo, const QString &MailSubject)
{
    if (!m_program.note(slot))
        return;
    const ProgramSettings &settings = m_program.settings;
    MailAccount account{settings.SMTPServer, settings.ReturnEMail, settings.SMTPUserID, QString()};
    if (!account.userId.isEmpty()) {
        account.password = m_program.smtpPassword().password();
        // No stored password: asked for on every send.
        if (account.password.isEmpty()) {
            account.password = m_program.prompts().password(QStringLiteral("SMTP Password"),
                                                            QStringLiteral("Input Password:"), false, 0);
            if (account.password.isEmpty()) {
                m_program.prompts().message(QStringLiteral("Message Aborted"), MsgIcon::Exclamation);
                return;
            }
        }
    }
    // The prompt let events run: the note may have gone meanwhile.
    if (!m_program.note(slot))
        return;

    const StoredNote record = m_program.storedNoteFromWindow(slot);
    MailNote note;
    note.checkList = checkList;
    note.title = record.title;
    note.cleanedTitle = CleanFileName(record.title);
    note.text = record.text;
    note.rows = record.rows;
    note.htmlFragment = checkList ? CheckListToHtml(record.title, record.rows, record.style)
                                  : TextNoteHtml(record.title, record.text, record.style);
    const NoteFileBytes file = WriteNoteFile(record);
    if (!file.ok()) {
        const MailResult cannot{MailResult::Outcome::Failed, MailError{MailErrorFile, file.error}};
        m_program.prompts().message(cannot.userMessage(), MsgIcon::Exclamation);
        return;
    }
    note.noteFile = file.bytes;

    MailRequest request = NoteMailRequest(account, note, EMType, MailTo, MailSubject,
                                          MailerText(m_program.ProductName, m_program.VersionText),
                                          m_program.clock().now());
    request.tempFolder = m_program.TempFolder;
    request.transport = transport;
    m_sender.send(request);
}

void NoteMail::post(const Event &event)
{
    m_events.append(event);
    if (m_handling)
        return;
    m_handling = true;
    while (!m_events.isEmpty()) {
        const Event next = m_events.takeFirst();
        if (next.result)
            finished(*next.result);
        else
            stageReached(next.stage);
    }
    m_handling = false;
}

void NoteMail::stageReached(const QString &stage)
{
    ++m_flashGeneration;
    m_program.flash().DispMsg(stage);
    emit flashChanged(stage);
}

void NoteMail::withdrawFlash()
{
    ++m_flashGeneration;
    m_program.flash().StopMsg();
    emit flashChanged(QString());
}

void NoteMail::finished(const MailResult &result)
{
    if (result.sent()) {
        // The next send's stages take the flash over; otherwise "Complete." stays a moment.
        if (m_sender.isBusy())
            return;
        const int shown = m_flashGeneration;
        QTimer::singleShot(completeShownMs, this, [this, shown] {
            if (shown == m_flashGeneration)
                withdrawFlash();
        });
        return;
    }
    withdrawFlash();
    m_program.prompts().message(result.userMessage(), MsgIcon::Exclamation);
}

} // namespace pellux
