#pragma once

#include "core/NoteRecord.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

namespace pellux {

/// Mail types of the e-mail dialog.
enum MailType : int {
    MailTypeHtml = 0,
    MailTypePlainText = 1,
    // any other value: the message carries the attachment only
};

/// The given subject, or the note title when the subject is empty.
QString MailSubjectFor(const QString &givenSubject, const QString &title);

/// The X-Mailer text: product name + " v" + version text ("Pellux v3.2  (Build 155)").
QString MailerText(const QString &productName, const QString &versionText);

/// Title + ":" CRLF, 40 hyphens CRLF, the note text (CR LF line breaks), CRLF CRLF.
QString TextNotePlainBody(const QString &title, const QString &text);

/// Title + ":" CRLF, 40 hyphens CRLF, then per row "X" when checked, a tab, the text, CRLF.
QString CheckListPlainBody(const QString &title, const QList<CheckRow> &rows);

/// "<html>" + the note's HTML fragment + "</html>" CRLF (no head, no body element).
QString NoteHtmlBody(const QString &htmlFragment);

/// The declared content type of the body for a mail type; empty when the type has no body.
QString MailBodyContentType(int mailType);

/**
 * The time as the number its "HhNnSs" digits make, in upper-case hexadecimal without
 * leading zeros: 00:00:05 gives "5", 23:59:59 gives the hex of 235959.
 */
QString MailTimeStamp(const QTime &time);
/// The date as the number its "yyyymmdd" digits make, in upper-case hexadecimal.
QString MailDateStamp(const QDate &date);

/**
 * File name of a text note's attachment: the cleaned title with every blank made "_",
 * "-", the time stamp, "-", the date stamp, ".NoteFile". The title must already have
 * been through the file-name cleaning of the save commands.
 */
QString TextNoteAttachmentName(const QString &cleanedTitle, const QDateTime &now);
/// The same for a check list, whose blanks stay blanks.
QString CheckListAttachmentName(const QString &cleanedTitle, const QDateTime &now);

} // namespace pellux
