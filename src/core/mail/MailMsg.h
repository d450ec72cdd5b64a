#pragma once

#include "core/mail/MailError.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <memory>

namespace pellux {

/**
 * The MIME message composer (GMime). The mail procedures call it in this order:
 * clear, setFrom / setTo, setDate (the transport's dateText), setSubject, setMailer,
 * setEncoding("8bit"), then for the body newPart / setContentType / setContentEncoding /
 * setContent, then attachFile and setContentType of that part, and saveToFile, whose
 * file is what the transport sends. A call that fails returns false and leaves the
 * reason in lastError().
 *
 * What goes on the wire is always sound, whatever was asked for:
 * - a text part whose content is not plain ASCII is written as UTF-8 and its charset
 *   parameter says so; ASCII content keeps the charset it was declared with;
 * - a part that its encoding cannot carry (a line longer than SMTP allows under
 *   "8bit", 8-bit text under "7bit") is written quoted-printable instead;
 * - headers that need it are RFC 2047 encoded, file names RFC 2231;
 * - the message always has a Date (now, unless setDate gave one) and a Message-ID
 *   in the sender's domain;
 * - lines end in CR LF, as SMTP carries them.
 */
class MailMsg
{
public:
    MailMsg();
    ~MailMsg();
    MailMsg(const MailMsg &) = delete;
    MailMsg &operator=(const MailMsg &) = delete;

    void clear();

    bool setFrom(const QString &address);
    /// One address or several separated by commas; empty leaves the message without To.
    bool setTo(const QString &addresses);
    /// An RFC 5322 date ("Thu, 10 Dec 2026 10:30:15 +0100").
    bool setDate(const QString &rfc5322Date);
    void setSubject(const QString &subject);
    /// The X-Mailer header.
    void setMailer(const QString &mailer);
    /// The transfer encoding of body parts that name none themselves ("7bit", "8bit",
    /// "quoted-printable", "base64").
    bool setEncoding(const QString &encoding);

    /// Starts a text part, which becomes the current part.
    void newPart();
    /// Content type of the current part, e.g. "text/plain; charset=us-ascii".
    bool setContentType(const QString &contentType);
    bool setContentEncoding(const QString &encoding);
    bool setContent(const QString &text);

    /// Encoding options of attachFile.
    enum AttachEncoding { AttachBase64 = 1, AttachQuotedPrintable = 2 };
    /**
     * Reads the file now (so it may be deleted right after) and adds it as an
     * attachment named after the file; it becomes the current part.
     */
    bool attachFile(const QString &path, int encodingOption);

    /// Writes the whole message to \a path (owner-only permissions).
    bool saveToFile(const QString &path);
    /// The message as saveToFile writes it.
    QByteArray toBytes();

    MailError lastError() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace pellux
