#include "core/mail/MailSend.h"

#include "core/mail/MailMsg.h"
#include "core/mail/MailRules.h"
#include "core/mail/Smtp.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace pellux {

MailRequest NoteMailRequest(const MailAccount &account, const MailNote &note, int mailType,
                            const QString &mailTo, const QString &mailSubject, const QString &mailer,
                            const QDateTime &now)
{
    MailRequest r;
    r.account = account;
    r.mailTo = mailTo;
    r.subject = MailSubjectFor(mailSubject, note.title);
    r.mailer = mailer;
    r.mailType = mailType;
    if (mailType == MailTypePlainText)
        r.body = note.checkList ? CheckListPlainBody(note.title, note.rows) : TextNotePlainBody(note.title, note.text);
    else if (mailType == MailTypeHtml)
        r.body = NoteHtmlBody(note.htmlFragment);
    r.attachmentName = note.checkList ? CheckListAttachmentName(note.cleanedTitle, now)
                                      : TextNoteAttachmentName(note.cleanedTitle, now);
    r.attachment = note.noteFile;
    return r;
}

QString MailResult::userMessage() const
{
    switch (outcome) {
    case Outcome::Sent:
        return {};
    case Outcome::NotConnected:
        return QStringLiteral("E-Mail Transmission Error: ") + error.description;
    case Outcome::Failed:
        break;
    }
    return QStringLiteral("Error in sending e-mail: ") + error.description + QStringLiteral(" (")
        + QString::number(error.number) + QLatin1Char(')');
}

namespace {

MailResult failed(const MailError &e) { return MailResult{MailResult::Outcome::Failed, e}; }

MailResult notConnected(const MailError &e) { return MailResult{MailResult::Outcome::NotConnected, e}; }

bool writePrivateFile(const QString &path, const QByteArray &bytes, QString *why)
{
    QFile f(path);
    // NewOnly: nothing may already stand at this name, not even a link.
    if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        *why = f.errorString();
        return false;
    }
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (f.write(bytes) != bytes.size() || !f.flush()) {
        *why = f.errorString();
        return false;
    }
    return true;
}

} // namespace

MailResult SendMail(const MailRequest &r, const std::function<void(const QString &)> &stage,
                    const std::atomic_bool *cancel)
{
    auto report = [&](const QString &s) {
        if (stage)
            stage(s);
    };

    const QString name = r.attachmentName;
    if (name.isEmpty() || QFileInfo(name).fileName() != name || name == QLatin1String(".")
        || name == QLatin1String("..") || name == QLatin1String("PelluxEMail.mim"))
        return failed({MailErrorFile, QStringLiteral("\"%1\" cannot be used as the attachment's file name.").arg(name)});

    const QString base = r.tempFolder.isEmpty() ? QDir::tempPath() : r.tempFolder;
    QTemporaryDir dir(QDir(base).filePath(QStringLiteral("pellux-mail-XXXXXX")));
    if (!dir.isValid())
        return failed({MailErrorFile, QStringLiteral("No private folder can be made in %1: %2").arg(base, dir.errorString())});
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    Smtp smtp;
    smtp.setTimeouts(r.transport.connectTimeoutMs, r.transport.totalTimeoutMs);
    smtp.setCaFile(r.transport.caFile);
    smtp.setClearTextLoginAllowed(r.transport.clearTextLoginAllowed);
    smtp.setCancelFlag(cancel);

    smtp.setVerifyCertificate(true);
    if (r.account.userId.isEmpty())
        smtp.setCredentials(QString(), QString());
    else
        smtp.setCredentials(r.account.userId, r.account.password);
    report(MailStageConnecting);
    smtp.setStartTls(true);
    if (!smtp.setServer(r.account.server) || !smtp.connect() || !smtp.isConnected())
        return notConnected(smtp.lastError());

    MailMsg msg;
    msg.clear();
    report(MailStageSending);
    if (!smtp.setSender(r.account.returnEMail) || !smtp.setRecipient(r.mailTo))
        return failed(smtp.lastError());
    const bool headers = msg.setFrom(r.account.returnEMail) && msg.setTo(r.mailTo) && msg.setDate(smtp.dateText());
    if (!headers)
        return failed(msg.lastError());
    msg.setSubject(r.subject);
    msg.setMailer(r.mailer);
    if (!msg.setEncoding(QStringLiteral("8bit")))
        return failed(msg.lastError());
    const QString contentType = MailBodyContentType(r.mailType);
    if (!contentType.isEmpty()) {
        msg.newPart();
        if (!msg.setContentType(contentType) || !msg.setContentEncoding(QStringLiteral("8bit")) || !msg.setContent(r.body))
            return failed(msg.lastError());
    }

    const QString attachment = QDir(dir.path()).filePath(name);
    QString why;
    if (!writePrivateFile(attachment, r.attachment, &why))
        return failed({MailErrorFile, QStringLiteral("The note file %1 cannot be written: %2").arg(attachment, why)});
    const bool attached = msg.attachFile(attachment, MailMsg::AttachBase64)
        && msg.setContentType(QStringLiteral("application/x-pellux"));
    QFile::remove(attachment);
    if (!attached)
        return failed(msg.lastError());

    const QString message = QDir(dir.path()).filePath(QStringLiteral("PelluxEMail.mim"));
    if (!msg.saveToFile(message))
        return failed(msg.lastError());
    const bool sent = smtp.sendFile(r.account.returnEMail, r.mailTo, message);
    QFile::remove(message);
    if (!sent)
        return failed(smtp.lastError());

    report(MailStageComplete);
    smtp.disconnect();
    return MailResult{MailResult::Outcome::Sent, {}};
}

} // namespace pellux
