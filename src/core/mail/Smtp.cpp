#include "core/mail/Smtp.h"

#include "core/mail/MailAddress.h"

#include <QFile>
#include <QRegularExpression>
#include <QUrl>

#include <curl/curl.h>

#include <mutex>

namespace pellux {

namespace {

void ensureCurl()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

/// A server reply fit to be shown: one line, printable, not endless.
QString printableReply(const QByteArray &raw)
{
    QString s = QString::fromUtf8(raw).trimmed();
    for (QChar &c : s) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QLatin1Char(' ');
    }
    if (s.size() > 300)
        s = s.left(300) + QStringLiteral("...");
    return s;
}

bool allDigits(const QString &s)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    return digits.match(s).hasMatch();
}

} // namespace

std::optional<SmtpServerAddress> ParseSmtpServer(const QString &text, QString *error)
{
    auto fail = [&](const QString &why) -> std::optional<SmtpServerAddress> {
        if (error)
            *error = why;
        return std::nullopt;
    };

    SmtpServerAddress a;
    QString rest = text.trimmed();
    if (rest.isEmpty())
        return fail(QStringLiteral("No SMTP server is set."));
    static const QString plainPrefix = QStringLiteral("plain:");
    if (rest.startsWith(plainPrefix, Qt::CaseInsensitive) && !allDigits(rest.mid(plainPrefix.size()))) {
        a.clearTextLoginAllowed = true;
        rest = rest.mid(plainPrefix.size()).trimmed();
    }

    const QString written = rest;
    QString scheme = QStringLiteral("smtp");
    const qsizetype sep = rest.indexOf(QStringLiteral("://"));
    if (sep >= 0) {
        scheme = rest.left(sep).toLower();
        rest = rest.mid(sep + 3);
        if (scheme != QLatin1String("smtp") && scheme != QLatin1String("smtps"))
            return fail(QStringLiteral("\"%1\" is not a mail server address (only smtp:// and smtps:// are known).")
                            .arg(text.trimmed()));
    }
    if (rest.endsWith(QLatin1Char('/')))
        rest.chop(1);
    a.implicitTls = scheme == QLatin1String("smtps");

    const QUrl url(scheme + QStringLiteral("://") + rest, QUrl::StrictMode);
    const int defaultPort = a.implicitTls ? 465 : 25;
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty() || !url.path().isEmpty()
        || url.hasQuery() || url.hasFragment() || rest.contains(QLatin1Char('@'))
        || rest.contains(QLatin1Char('/')))
        return fail(QStringLiteral("\"%1\" is not a mail server address.").arg(text.trimmed()));
    const int port = url.port(defaultPort);
    if (port < 1 || port > 65535)
        return fail(QStringLiteral("\"%1\" is not a mail server address.").arg(text.trimmed()));

    a.text = written;
    a.host = url.host();
    a.port = port;
    QUrl canonical;
    canonical.setScheme(scheme);
    canonical.setHost(a.host);
    canonical.setPort(port);
    a.url = canonical.toString(QUrl::FullyEncoded);
    return a;
}

struct Smtp::Private
{
    bool verify = true;
    bool startTls = true;
    bool clearTextLoginAllowed = false;
    QString user;
    QString password;
    std::optional<SmtpServerAddress> server;
    bool connected = false;
    QDateTime connectedAt;
    QString sender;
    QStringList recipients;
    int connectTimeoutMs = DefaultConnectTimeoutMs;
    int totalTimeoutMs = DefaultTotalTimeoutMs;
    QString caFile;
    const std::atomic_bool *cancel = nullptr;
    MailError error;

    // One transfer's state, read by libcurl's callbacks.
    QByteArray refusal;   ///< the server's last 4xx or 5xx reply
    QFile *upload = nullptr;

    bool fail(int number, const QString &description)
    {
        error = MailError{number, description};
        return false;
    }

    bool loginNeedsTls() const
    {
        return !user.isEmpty() && !clearTextLoginAllowed && !(server && server->clearTextLoginAllowed);
    }

    bool perform(bool connectOnly, const QByteArray &from = {}, const QList<QByteArray> &to = {});
    bool reportCurl(CURLcode rc, long response, const char *errbuf);

    static int debug(CURL *, curl_infotype type, char *data, size_t size, void *self);
    static int progress(void *self, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
    static size_t read(char *buffer, size_t size, size_t count, void *self);
};

int Smtp::Private::debug(CURL *, curl_infotype type, char *data, size_t size, void *self)
{
    // Only what the server says is looked at; what we send (the AUTH line among it) never is.
    if (type == CURLINFO_HEADER_IN) {
        const QByteArray chunk(data, qsizetype(size));
        for (const QByteArray &raw : chunk.split('\n')) {
            const QByteArray line = raw.trimmed();
            if (line.size() >= 3 && (line.at(0) == '4' || line.at(0) == '5'))
                static_cast<Private *>(self)->refusal = line;
        }
    }
    return 0;
}

int Smtp::Private::progress(void *self, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    const std::atomic_bool *cancel = static_cast<Private *>(self)->cancel;
    return cancel && cancel->load() ? 1 : 0;
}

size_t Smtp::Private::read(char *buffer, size_t size, size_t count, void *self)
{
    QFile *f = static_cast<Private *>(self)->upload;
    const qint64 n = f->read(buffer, qint64(size * count));
    return n < 0 ? CURL_READFUNC_ABORT : size_t(n);
}

bool Smtp::Private::perform(bool connectOnly, const QByteArray &from, const QList<QByteArray> &to)
{
    ensureCurl();
    CURL *h = curl_easy_init();
    if (!h)
        return fail(CURLE_FAILED_INIT, QStringLiteral("The mail transport could not be started."));

    char errbuf[CURL_ERROR_SIZE] = {};
    const QByteArray url = server->url.toUtf8();
    const QByteArray userName = user.toUtf8();
    const QByteArray pass = password.toUtf8();
    const QByteArray ca = QFile::encodeName(caFile);
    curl_slist *rcpt = nullptr;
    for (const QByteArray &r : to)
        rcpt = curl_slist_append(rcpt, r.constData());

    curl_easy_setopt(h, CURLOPT_URL, url.constData());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, long(connectTimeoutMs));
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, long(totalTimeoutMs));
    // Also bounds the QUIT exchange when the handle is closed.
    curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, long(qMax(1, totalTimeoutMs / 1000)));
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errbuf);
    curl_easy_setopt(h, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(h, CURLOPT_DEBUGFUNCTION, &Private::debug);
    curl_easy_setopt(h, CURLOPT_DEBUGDATA, this);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &Private::progress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, verify ? 1L : 0L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, verify ? 2L : 0L);
    if (!caFile.isEmpty())
        curl_easy_setopt(h, CURLOPT_CAINFO, ca.constData());
    if (!server->implicitTls) {
        long level = CURLUSESSL_NONE;
        if (startTls)
            level = loginNeedsTls() ? CURLUSESSL_ALL : CURLUSESSL_TRY;
        curl_easy_setopt(h, CURLOPT_USE_SSL, level);
    }
    if (!user.isEmpty()) {
        curl_easy_setopt(h, CURLOPT_USERNAME, userName.constData());
        curl_easy_setopt(h, CURLOPT_PASSWORD, pass.constData());
    }
    if (connectOnly) {
        curl_easy_setopt(h, CURLOPT_CONNECT_ONLY, 1L);
    } else {
        curl_easy_setopt(h, CURLOPT_MAIL_FROM, from.constData());
        curl_easy_setopt(h, CURLOPT_MAIL_RCPT, rcpt);
        curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(h, CURLOPT_READFUNCTION, &Private::read);
        curl_easy_setopt(h, CURLOPT_READDATA, this);
        curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, curl_off_t(upload->size()));
    }

    refusal.clear();
    const CURLcode rc = curl_easy_perform(h);
    long response = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &response);
    const bool ok = reportCurl(rc, response, errbuf);
    curl_easy_cleanup(h); // says QUIT on a connection still open
    curl_slist_free_all(rcpt);
    return ok;
}

bool Smtp::Private::reportCurl(CURLcode rc, long response, const char *errbuf)
{
    if (rc == CURLE_OK)
        return true;
    if (rc == CURLE_ABORTED_BY_CALLBACK)
        return fail(MailErrorCancelled, QStringLiteral("Sending was cancelled."));
    if (rc == CURLE_USE_SSL_FAILED && loginNeedsTls())
        return fail(MailErrorClearTextLogin,
                    QStringLiteral("The server %1 offers no encrypted connection (STARTTLS), so the password was not "
                                   "sent. To log in without encryption anyway, write the server as \"plain:%2\".")
                        .arg(server->host, server->text));
    QString description = QString::fromUtf8(errbuf).trimmed();
    if (description.isEmpty())
        description = QString::fromUtf8(curl_easy_strerror(rc));
    int number = int(rc);
    if (response >= 400) {
        number = int(response);
        const QString reply = printableReply(refusal);
        if (!reply.isEmpty())
            description += QStringLiteral(" - the server said: ") + reply;
    }
    return fail(number, description);
}

Smtp::Smtp() : d(std::make_unique<Private>()) {}

Smtp::~Smtp() = default;

void Smtp::setVerifyCertificate(bool on) { d->verify = on; }

void Smtp::setCredentials(const QString &user, const QString &password)
{
    d->user = user;
    d->password = password;
}

void Smtp::setStartTls(bool on) { d->startTls = on; }

bool Smtp::setServer(const QString &server)
{
    QString why;
    d->server = ParseSmtpServer(server, &why);
    d->connected = false;
    return d->server ? true : d->fail(MailErrorInvalidServer, why);
}

bool Smtp::connect()
{
    d->connected = false;
    if (!d->server)
        return d->fail(MailErrorInvalidServer, QStringLiteral("No SMTP server is set."));
    if (d->loginNeedsTls() && !d->startTls && !d->server->implicitTls)
        return d->fail(MailErrorClearTextLogin,
                       QStringLiteral("Encryption is switched off, so the password for %1 was not sent.")
                           .arg(d->server->host));
    if (!d->perform(true))
        return false;
    d->connected = true;
    d->connectedAt = QDateTime::currentDateTime();
    d->error = {};
    return true;
}

bool Smtp::isConnected() const { return d->connected; }

bool Smtp::setSender(const QString &address)
{
    QString why;
    const QStringList a = MailboxAddresses(address, &why);
    if (a.isEmpty())
        return d->fail(MailErrorInvalidAddress, QStringLiteral("Sender: ") + why);
    if (a.size() != 1)
        return d->fail(MailErrorInvalidAddress, QStringLiteral("Sender: give one address, not %1.").arg(a.size()));
    d->sender = a.first();
    return true;
}

bool Smtp::setRecipient(const QString &addresses)
{
    d->recipients.clear();
    if (addresses.trimmed().isEmpty())
        return d->fail(MailErrorNoRecipient, QStringLiteral("No recipient address was given."));
    QString why;
    const QStringList a = MailboxAddresses(addresses, &why);
    if (a.isEmpty())
        return d->fail(MailErrorInvalidAddress, QStringLiteral("Recipient: ") + why);
    d->recipients = a;
    return true;
}

QString Smtp::dateText() const
{
    return d->connected ? d->connectedAt.toString(Qt::RFC2822Date) : QString();
}

bool Smtp::sendFile(const QString &from, const QString &to, const QString &path)
{
    if (!d->connected)
        return d->fail(MailErrorNotConnected, QStringLiteral("Not connected to the mail server."));
    if (!setSender(from) || !setRecipient(to))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return d->fail(MailErrorFile, QStringLiteral("The message file %1 cannot be read: %2").arg(path, file.errorString()));

    QList<QByteArray> rcpt;
    for (const QString &r : std::as_const(d->recipients))
        rcpt << (QLatin1Char('<') + r + QLatin1Char('>')).toUtf8();
    d->upload = &file;
    const bool ok = d->perform(false, (QLatin1Char('<') + d->sender + QLatin1Char('>')).toUtf8(), rcpt);
    d->upload = nullptr;
    if (ok)
        d->error = {};
    return ok;
}

void Smtp::disconnect()
{
    d->connected = false;
    d->connectedAt = {};
}

MailError Smtp::lastError() const { return d->error; }

void Smtp::setTimeouts(int connectMs, int totalMs)
{
    d->connectTimeoutMs = connectMs;
    d->totalTimeoutMs = totalMs;
}

void Smtp::setCaFile(const QString &path) { d->caFile = path; }

void Smtp::setClearTextLoginAllowed(bool allowed) { d->clearTextLoginAllowed = allowed; }

void Smtp::setCancelFlag(const std::atomic_bool *flag) { d->cancel = flag; }

} // namespace pellux
