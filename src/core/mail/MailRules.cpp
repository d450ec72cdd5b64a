#include "core/mail/MailRules.h"

namespace pellux {

namespace {

const QString CrLf = QStringLiteral("\r\n");

QString heading(const QString &title)
{
    return title + QLatin1Char(':') + CrLf + QString(40, QLatin1Char('-')) + CrLf;
}

QString attachmentName(const QString &stem, const QDateTime &now)
{
    return stem + QLatin1Char('-') + MailTimeStamp(now.time()) + QLatin1Char('-') + MailDateStamp(now.date())
        + QStringLiteral(".NoteFile");
}

} // namespace

QString MailSubjectFor(const QString &givenSubject, const QString &title)
{
    return givenSubject.isEmpty() ? title : givenSubject;
}

QString MailerText(const QString &productName, const QString &versionText)
{
    return productName + QStringLiteral(" v") + versionText;
}

QString TextNotePlainBody(const QString &title, const QString &text)
{
    return heading(title) + text + CrLf + CrLf;
}

QString CheckListPlainBody(const QString &title, const QList<CheckRow> &rows)
{
    QString body = heading(title);
    for (const CheckRow &row : rows) {
        if (row.checked)
            body += QLatin1Char('X');
        body += QLatin1Char('\t') + row.text + CrLf;
    }
    return body;
}

QString NoteHtmlBody(const QString &htmlFragment)
{
    return QStringLiteral("<html>") + htmlFragment + QStringLiteral("</html>") + CrLf;
}

QString MailBodyContentType(int mailType)
{
    switch (mailType) {
    case MailTypeHtml:
        return QStringLiteral("text/html; charset=us-ascii");
    case MailTypePlainText:
        return QStringLiteral("text/plain; charset=us-ascii");
    default:
        return {};
    }
}

QString MailTimeStamp(const QTime &time)
{
    const int digits = time.hour() * 10000 + time.minute() * 100 + time.second();
    return QString::number(digits, 16).toUpper();
}

QString MailDateStamp(const QDate &date)
{
    const qint64 digits = qint64(date.year()) * 10000 + date.month() * 100 + date.day();
    return QString::number(digits, 16).toUpper();
}

QString TextNoteAttachmentName(const QString &cleanedTitle, const QDateTime &now)
{
    QString stem = cleanedTitle;
    stem.replace(QLatin1Char(' '), QLatin1Char('_'));
    return attachmentName(stem, now);
}

QString CheckListAttachmentName(const QString &cleanedTitle, const QDateTime &now)
{
    return attachmentName(cleanedTitle, now);
}

} // namespace pellux
