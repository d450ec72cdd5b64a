#include "core/mail/MailMsg.h"

#include "core/mail/GMimeSupport.h"
#include "core/mail/MailAddress.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSysInfo>

#include <optional>

namespace pellux {

namespace {

struct Part
{
    QString contentType;            ///< as given
    std::optional<QString> encoding;
    QByteArray bytes;
    bool textContent = false;       ///< bytes came from setContent (so charset follows them)
    bool asciiContent = true;
    QString fileName;               ///< attachments only
};

bool isAscii(const QString &s)
{
    for (const QChar c : s) {
        if (c.unicode() > 0x7f)
            return false;
    }
    return true;
}

std::optional<GMimeContentEncoding> encodingNamed(const QString &name)
{
    const GMimeContentEncoding e = g_mime_content_encoding_from_string(name.trimmed().toUtf8().constData());
    switch (e) {
    case GMIME_CONTENT_ENCODING_7BIT:
    case GMIME_CONTENT_ENCODING_8BIT:
    case GMIME_CONTENT_ENCODING_BASE64:
    case GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE:
        return e;
    default:
        return std::nullopt; // binary and uuencode do not travel over SMTP as we send it
    }
}

/// A domain fit for a Message-ID: the sender's, else this machine's name.
QString idDomain(const QString &from)
{
    static const QRegularExpression domain(QStringLiteral("^[A-Za-z0-9]([A-Za-z0-9.-]*[A-Za-z0-9])?$"));
    QString error;
    const QStringList a = MailboxAddresses(from, &error);
    if (!a.isEmpty()) {
        const QString d = a.first().mid(a.first().lastIndexOf(QLatin1Char('@')) + 1);
        if (domain.match(d).hasMatch())
            return d;
    }
    const QString host = QSysInfo::machineHostName();
    return domain.match(host).hasMatch() ? host : QStringLiteral("localhost");
}

} // namespace

struct MailMsg::Private
{
    QString from;
    QString to;
    QString subject;
    QString mailer;
    GMimeContentEncoding defaultEncoding = GMIME_CONTENT_ENCODING_DEFAULT;
    QDateTime date;
    QString messageId;
    QList<Part> parts;
    MailError error;

    bool fail(int number, const QString &description)
    {
        error = MailError{number, description};
        return false;
    }
    Part *current() { return parts.isEmpty() ? nullptr : &parts.last(); }
    bool noPart() { return fail(MailErrorCompose, QStringLiteral("There is no message part to set.")); }

    bool build(QByteArray &out);
    gmime::Ref<GMimePart> makePart(const Part &p);
};

gmime::Ref<GMimePart> MailMsg::Private::makePart(const Part &p)
{
    gmime::Ref<GMimeContentType> type(g_mime_content_type_parse(nullptr, p.contentType.toUtf8().constData()));
    gmime::Ref<GMimePart> part(g_mime_part_new());
    g_mime_object_set_content_type(GMIME_OBJECT(part.get()), type.get());
    if (p.textContent && !p.asciiContent && g_mime_content_type_is_type(type.get(), "text", "*"))
        g_mime_content_type_set_parameter(type.get(), "charset", "utf-8");

    gmime::Ref<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(p.bytes.constData(), size_t(p.bytes.size())));
    gmime::Ref<GMimeDataWrapper> content(g_mime_data_wrapper_new_with_stream(stream.get(), GMIME_CONTENT_ENCODING_DEFAULT));
    g_mime_part_set_content(part.get(), content.get());

    GMimeContentEncoding encoding = p.encoding ? *encodingNamed(*p.encoding) : defaultEncoding;
    if (encoding == GMIME_CONTENT_ENCODING_DEFAULT)
        encoding = g_mime_part_get_best_content_encoding(part.get(), GMIME_ENCODING_CONSTRAINT_7BIT);
    if (encoding == GMIME_CONTENT_ENCODING_7BIT || encoding == GMIME_CONTENT_ENCODING_8BIT) {
        // Lines over 998 octets (or 8-bit bytes under "7bit") would be cut or
        // refused on the way; such a part goes quoted-printable.
        const GMimeEncodingConstraint constraint = encoding == GMIME_CONTENT_ENCODING_7BIT
            ? GMIME_ENCODING_CONSTRAINT_7BIT : GMIME_ENCODING_CONSTRAINT_8BIT;
        const GMimeContentEncoding best = g_mime_part_get_best_content_encoding(part.get(), constraint);
        if (best == GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE || best == GMIME_CONTENT_ENCODING_BASE64)
            encoding = GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE;
    }
    g_mime_part_set_content_encoding(part.get(), encoding);
    if (!p.fileName.isEmpty())
        g_mime_part_set_filename(part.get(), p.fileName.toUtf8().constData());
    return part;
}

bool MailMsg::Private::build(QByteArray &out)
{
    if (parts.isEmpty())
        return fail(MailErrorCompose, QStringLiteral("The message has neither a text nor an attachment."));
    gmime::ensureInitialized();

    gmime::Ref<GMimeMessage> message(g_mime_message_new(TRUE));
    auto addAddresses = [](InternetAddressList *target, const QString &text) {
        if (text.trimmed().isEmpty())
            return;
        gmime::Ref<InternetAddressList> list(gmime::parseAddressList(text.toUtf8().constData()));
        if (list)
            internet_address_list_append(target, list.get());
    };
    addAddresses(g_mime_message_get_from(message.get()), from);
    addAddresses(g_mime_message_get_to(message.get()), to);
    g_mime_message_set_subject(message.get(), subject.toUtf8().constData(), "utf-8");

    const QDateTime when = date.isValid() ? date : QDateTime::currentDateTime();
    GDateTime *gdate = g_mime_utils_header_decode_date(when.toString(Qt::RFC2822Date).toLatin1().constData());
    if (gdate) {
        g_mime_message_set_date(message.get(), gdate);
        g_date_time_unref(gdate);
    }
    if (messageId.isEmpty()) {
        char *id = g_mime_utils_generate_message_id(idDomain(from).toUtf8().constData());
        messageId = QString::fromUtf8(id);
        g_free(id);
    }
    g_mime_message_set_message_id(message.get(), messageId.toUtf8().constData());
    if (!mailer.isEmpty())
        g_mime_object_set_header(GMIME_OBJECT(message.get()), "X-Mailer", mailer.toUtf8().constData(), "utf-8");

    gmime::Ref<GMimeMultipart> mixed(g_mime_multipart_new_with_subtype("mixed"));
    for (const Part &p : std::as_const(parts)) {
        gmime::Ref<GMimePart> part = makePart(p);
        g_mime_multipart_add(mixed.get(), GMIME_OBJECT(part.get()));
    }
    g_mime_message_set_mime_part(message.get(), GMIME_OBJECT(mixed.get()));

    GMimeFormatOptions *format = g_mime_format_options_new();
    g_mime_format_options_set_newline_format(format, GMIME_NEWLINE_FORMAT_DOS);
    gmime::Ref<GMimeStream> stream(g_mime_stream_mem_new());
    const ssize_t written = g_mime_object_write_to_stream(GMIME_OBJECT(message.get()), format, stream.get());
    g_mime_format_options_free(format);
    if (written < 0)
        return fail(MailErrorCompose, QStringLiteral("The message could not be composed."));
    GByteArray *bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(stream.get()));
    out = QByteArray(reinterpret_cast<const char *>(bytes->data), qsizetype(bytes->len));
    return true;
}

MailMsg::MailMsg() : d(std::make_unique<Private>()) { gmime::ensureInitialized(); }

MailMsg::~MailMsg() = default;

void MailMsg::clear() { *d = Private(); }

bool MailMsg::setFrom(const QString &address)
{
    QString why;
    if (MailboxAddresses(address, &why).isEmpty())
        return d->fail(MailErrorInvalidAddress, QStringLiteral("From: ") + why);
    d->from = address.trimmed();
    return true;
}

bool MailMsg::setTo(const QString &addresses)
{
    if (!addresses.trimmed().isEmpty()) {
        QString why;
        if (MailboxAddresses(addresses, &why).isEmpty())
            return d->fail(MailErrorInvalidAddress, QStringLiteral("To: ") + why);
    }
    d->to = addresses.trimmed();
    return true;
}

bool MailMsg::setDate(const QString &rfc5322Date)
{
    const QDateTime date = QDateTime::fromString(rfc5322Date, Qt::RFC2822Date);
    if (!date.isValid())
        return d->fail(MailErrorCompose, QStringLiteral("\"%1\" is not a date.").arg(rfc5322Date));
    d->date = date;
    return true;
}

void MailMsg::setSubject(const QString &subject) { d->subject = subject; }

void MailMsg::setMailer(const QString &mailer) { d->mailer = mailer; }

bool MailMsg::setEncoding(const QString &encoding)
{
    const auto e = encodingNamed(encoding);
    if (!e)
        return d->fail(MailErrorCompose, QStringLiteral("\"%1\" is not a transfer encoding.").arg(encoding));
    d->defaultEncoding = *e;
    return true;
}

void MailMsg::newPart()
{
    Part p;
    p.contentType = QStringLiteral("text/plain; charset=us-ascii");
    p.textContent = true;
    d->parts << p;
}

bool MailMsg::setContentType(const QString &contentType)
{
    Part *p = d->current();
    if (!p)
        return d->noPart();
    static const QRegularExpression form(QStringLiteral("^\\s*[A-Za-z0-9!#$&^_.+-]+/[A-Za-z0-9!#$&^_.+-]+\\s*(;.*)?$"));
    if (!form.match(contentType).hasMatch() || contentType.contains(QLatin1Char('\r')) || contentType.contains(QLatin1Char('\n')))
        return d->fail(MailErrorCompose, QStringLiteral("\"%1\" is not a content type.").arg(contentType.simplified()));
    p->contentType = contentType.trimmed();
    return true;
}

bool MailMsg::setContentEncoding(const QString &encoding)
{
    Part *p = d->current();
    if (!p)
        return d->noPart();
    if (!encodingNamed(encoding))
        return d->fail(MailErrorCompose, QStringLiteral("\"%1\" is not a transfer encoding.").arg(encoding));
    p->encoding = encoding.trimmed();
    return true;
}

bool MailMsg::setContent(const QString &text)
{
    Part *p = d->current();
    if (!p)
        return d->noPart();
    p->asciiContent = isAscii(text);
    p->bytes = p->asciiContent ? text.toLatin1() : text.toUtf8();
    p->textContent = true;
    return true;
}

bool MailMsg::attachFile(const QString &path, int encodingOption)
{
    QString encoding;
    switch (encodingOption) {
    case AttachBase64:
        encoding = QStringLiteral("base64");
        break;
    case AttachQuotedPrintable:
        encoding = QStringLiteral("quoted-printable");
        break;
    default:
        return d->fail(MailErrorCompose, QStringLiteral("%1 is not an attachment encoding.").arg(encodingOption));
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return d->fail(MailErrorFile, QStringLiteral("The attachment %1 cannot be read: %2").arg(path, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return d->fail(MailErrorFile, QStringLiteral("The attachment %1 cannot be read: %2").arg(path, file.errorString()));
    Part p;
    p.contentType = QStringLiteral("application/octet-stream");
    p.encoding = encoding;
    p.bytes = bytes;
    p.fileName = QFileInfo(path).fileName();
    d->parts << p;
    return true;
}

QByteArray MailMsg::toBytes()
{
    QByteArray out;
    d->build(out);
    return out;
}

bool MailMsg::saveToFile(const QString &path)
{
    QByteArray bytes;
    if (!d->build(bytes))
        return false;
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return d->fail(MailErrorFile, QStringLiteral("The message file %1 cannot be written: %2").arg(path, file.errorString()));
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (file.write(bytes) != bytes.size() || !file.commit())
        return d->fail(MailErrorFile, QStringLiteral("The message file %1 cannot be written: %2").arg(path, file.errorString()));
    return true;
}

MailError MailMsg::lastError() const { return d->error; }

} // namespace pellux
