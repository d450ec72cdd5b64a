#pragma once

#include "core/NoteRecord.h"
#include "core/mail/MailError.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QString>
#include <atomic>
#include <functional>

namespace pellux {

/// The mail settings a send uses.
struct MailAccount
{
    QString server;        ///< "SMTPServer" (the forms ParseSmtpServer reads)
    QString returnEMail;   ///< "ReturnEMail"
    QString userId;        ///< "SMTPUserID"; empty means no login
    QString password;      ///< the stored or the typed SMTP password
};

/// What a note gives to its mail.
struct MailNote
{
    bool checkList = false;
    QString title;                 ///< the note's caption
    QString cleanedTitle;          ///< the title through the save commands' file-name cleaning
    QString text;                  ///< text notes: CR LF line breaks
    QList<CheckRow> rows;          ///< check lists
    QString htmlFragment;          ///< the note's HTML rendering; used by HTML mail
    QByteArray noteFile;           ///< the note's single-note file, attached as it is
};

/// Limits and trust of the transport; the defaults suit a user's send.
struct MailTransportOptions
{
    int connectTimeoutMs = 20000;
    int totalTimeoutMs = 120000;
    QString caFile;                ///< certificates to trust instead of the system's
    bool clearTextLoginAllowed = false;
};

/// Everything one send needs, gathered on the window thread.
struct MailRequest
{
    MailAccount account;
    QString mailTo;
    QString subject;
    QString mailer;
    int mailType = 1;              ///< 0 HTML, 1 plain text, other: attachment only
    QString body;                  ///< for mail types 0 and 1
    QString attachmentName;        ///< a bare file name
    QByteArray attachment;
    /// Where the private folder for the attachment and "PelluxEMail.mim" is made;
    /// empty means the system's temporary folder.
    QString tempFolder;
    MailTransportOptions transport;
};

/**
 * The request for mailing a note, by the rules of the e-mail command: the subject
 * (the title when \a mailSubject is empty), the body of the mail type for the note's
 * kind, the attachment name with the stamps of \a now.
 */
MailRequest NoteMailRequest(const MailAccount &account, const MailNote &note, int mailType,
                            const QString &mailTo, const QString &mailSubject, const QString &mailer,
                            const QDateTime &now);

struct MailResult
{
    enum class Outcome {
        Sent,
        /// The server was not reached or did not take us (the transport's error event).
        NotConnected,
        /// Composing or sending failed after connecting.
        Failed,
    };
    Outcome outcome = Outcome::Failed;
    MailError error;

    bool sent() const { return outcome == Outcome::Sent; }
    /**
     * The message box text for the user: empty when sent; "E-Mail Transmission Error: "
     * + description when not connected; otherwise "Error in sending e-mail: " +
     * description + " (" + number + ")".
     */
    QString userMessage() const;
};

/// The status texts of a send, in the order they come.
inline const QString MailStageConnecting = QStringLiteral("Connecting...");
inline const QString MailStageSending = QStringLiteral("Sending Message...");
inline const QString MailStageComplete = QStringLiteral("Complete.");

/**
 * Sends one mail in the fixed order: connect, compose, write and attach the note
 * file, save the message, send it, delete it; \a stage hears "Connecting...",
 * "Sending Message..." and "Complete." as they are reached. The attachment and
 * "PelluxEMail.mim" live in a private folder (owner-only) made for this send and
 * removed with everything in it on every path. Blocks until done: call it off the
 * window thread (MailSender does). \a cancel, when raised, ends it early.
 */
MailResult SendMail(const MailRequest &request, const std::function<void(const QString &)> &stage = {},
                    const std::atomic_bool *cancel = nullptr);

} // namespace pellux

Q_DECLARE_METATYPE(pellux::MailResult)
