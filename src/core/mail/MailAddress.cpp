#include "core/mail/MailAddress.h"

#include "core/mail/GMimeSupport.h"

#include <mutex>

namespace pellux {

namespace gmime {

void ensureInitialized()
{
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

namespace {

/// Where a character of an address list stands.
struct ListScanner
{
    bool quoted = false;
    bool escaped = false;
    int angle = 0;
    int comment = 0;

    /// Steps over \a c; true when it stands outside quotes and comments.
    bool step(char c)
    {
        if (escaped) {
            escaped = false;
            return false;
        }
        if (quoted) {
            if (c == '\\')
                escaped = true;
            else if (c == '"')
                quoted = false;
            return false;
        }
        if (comment) {
            if (c == '(')
                ++comment;
            else if (c == ')')
                --comment;
            return false;
        }
        if (c == '"') {
            quoted = true;
            return false;
        }
        if (c == '(') {
            ++comment;
            return false;
        }
        if (c == '<')
            ++angle;
        else if (c == '>')
            angle = qMax(0, angle - 1);
        return true;
    }
};

/// The list with ";" between addresses made ","; a ";" that ends a group ("Team: a@x, b@y;") stays.
QByteArray normalizedList(const QByteArray &in)
{
    QByteArray text = in;
    ListScanner scan;
    int groups = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (!scan.step(c) || scan.angle)
            continue;
        if (c == ':')
            ++groups;
        else if (c == ';' && groups > 0)
            --groups;
        else if (c == ';')
            text[i] = ',';
    }
    return text;
}

} // namespace

InternetAddressList *parseAddressList(const char *utf8)
{
    ensureInitialized();
    return internet_address_list_parse(nullptr, normalizedList(QByteArray(utf8)).constData());
}

/**
 * How many addresses a list holds, counted by hand: per element between commas (or
 * a group's ";"), the address in angle brackets if there is one, else each "@".
 * GMime reads a broken list as best it can and may leave an address out; comparing
 * with this count catches that.
 */
int countAddresses(const char *utf8)
{
    const QByteArray text = normalizedList(QByteArray(utf8));
    ListScanner scan;
    int total = 0, atSigns = 0;
    bool angleAt = false, hasAngle = false;
    auto endElement = [&] {
        total += hasAngle ? (angleAt ? 1 : 0) : atSigns;
        atSigns = 0;
        angleAt = hasAngle = false;
    };
    for (const char c : text) {
        if (!scan.step(c))
            continue;
        if ((c == ',' || c == ';' || c == ':') && !scan.angle)
            endElement();
        else if (c == '<')
            hasAngle = true;
        else if (c == '@' && scan.angle)
            angleAt = true;
        else if (c == '@')
            ++atSigns;
    }
    endElement();
    return total;
}

} // namespace gmime

namespace {

void collect(InternetAddressList *list, QStringList &out)
{
    const int n = internet_address_list_length(list);
    for (int i = 0; i < n; ++i) {
        InternetAddress *a = internet_address_list_get_address(list, i);
        if (INTERNET_ADDRESS_IS_MAILBOX(a)) {
            const char *addr = internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(a));
            if (addr && *addr)
                out << QString::fromUtf8(addr);
        } else if (INTERNET_ADDRESS_IS_GROUP(a)) {
            collect(internet_address_group_get_members(INTERNET_ADDRESS_GROUP(a)), out);
        }
    }
}

} // namespace

QStringList MailboxAddresses(const QString &text, QString *error)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return QStringList();
    };
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return fail(QStringLiteral("The address \"%1\" holds a control character.").arg(text.simplified()));
    }
    if (text.trimmed().isEmpty())
        return fail(QStringLiteral("No e-mail address was given."));

    gmime::Ref<InternetAddressList> list(gmime::parseAddressList(text.toUtf8().constData()));
    QStringList out;
    if (list)
        collect(list.get(), out);
    for (const QString &a : std::as_const(out)) {
        // GMime accepts a bare word as a mailbox; SMTP wants local@domain.
        const qsizetype at = a.lastIndexOf(QLatin1Char('@'));
        if (at <= 0 || at == a.size() - 1 || a.contains(QLatin1Char(' ')))
            return fail(QStringLiteral("\"%1\" is not an e-mail address.").arg(a));
    }
    if (out.isEmpty())
        return fail(QStringLiteral("\"%1\" is not an e-mail address.").arg(text.trimmed()));
    // Never drop a recipient quietly: every address typed must have been read.
    if (out.size() < gmime::countAddresses(text.toUtf8().constData()))
        return fail(QStringLiteral("Not every address in \"%1\" could be read.").arg(text.trimmed()));
    return out;
}

} // namespace pellux
