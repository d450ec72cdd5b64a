#pragma once

#include "core/mail/MailSend.h"
#include "core/mail/MailSender.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <optional>

namespace pellux {

class Program;
class frmEMailNote;

/**
 * Mail of notes: the checks before the e-mail dialog opens, and the sends the dialog
 * asks for. A send is gathered on the window thread (the note's record, its HTML and
 * its note file, the password) and carried out by a MailSender, so the windows stay
 * responsive; sends asked for while one runs wait for it. The status flash follows
 * each send's stages in their order; a failure withdraws it and says why.
 */
class NoteMail : public QObject
{
    Q_OBJECT

public:
    explicit NoteMail(Program &program);
    ~NoteMail() override;

    /// "&E-Mail Note..." and the panel's e-mail command: asks for a missing server or
    /// return address first, then opens a new e-mail dialog for the note in \a slot.
    void MailANote(int slot);

    /// Sends the text note in \a slot: \a EMType 0 HTML, 1 plain text, other the attachment only.
    void MailTextNote(int slot, int EMType, const QString &MailTo, const QString &MailSubject);
    /// The same for a check list.
    void MailCheckList(int slot, int EMType, const QString &MailTo, const QString &MailSubject);

    /// Limits and trust of the transport (tests trust their own server's certificate).
    MailTransportOptions transport;
    /// How long "Complete." stays on the flash before it is withdrawn.
    int completeShownMs = 1000;

    MailSender &sender() { return m_sender; }
    bool isSending() const { return m_sender.isBusy(); }

signals:
    /// The status flash now shows \a text; empty when it was withdrawn.
    void flashChanged(const QString &text);

private:
    /// A stage reached, or (without a stage) a send that ended.
    struct Event
    {
        QString stage;
        std::optional<MailResult> result;
    };
    void send(int slot, bool checkList, int EMType, const QString &MailTo, const QString &MailSubject);
    void post(const Event &event);
    void stageReached(const QString &stage);
    void finished(const MailResult &result);
    void withdrawFlash();

    Program &m_program;
    MailSender m_sender;
    QList<QPointer<frmEMailNote>> m_dialogs;
    /// Showing the flash and the error boxes lets events run; what arrives meanwhile
    /// waits here, so each event is dealt with whole and in the order it came.
    QList<Event> m_events;
    bool m_handling = false;
    /// Counts flash changes, so a late withdrawal of "Complete." leaves a newer text alone.
    int m_flashGeneration = 0;
};

} // namespace pellux
