#pragma once

#include "core/mail/MailError.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <atomic>
#include <memory>
#include <optional>

namespace pellux {

/**
 * Where mail goes, as read from the "SMTPServer" setting:
 *   "host", "host:port"      SMTP (port 25), upgraded with STARTTLS whenever the server offers it
 *   "smtp://host[:port]"     the same
 *   "smtps://host[:port]"    SMTP inside TLS from the first byte (port 465)
 *   "plain:" + any of these  the user's knowing choice to log in even where the server offers
 *                            no encryption; without it the password is never sent in clear
 * A host may be an IPv6 literal in brackets. "plain:25" is the host "plain" on port 25.
 */
struct SmtpServerAddress
{
    QString text;                    ///< as written, without "plain:"
    QString url;                     ///< what libcurl is given: scheme://host:port
    QString host;
    int port = 25;
    bool implicitTls = false;
    bool clearTextLoginAllowed = false;
};

/// The server form above, or nullopt with a description of what is wrong in \a error.
std::optional<SmtpServerAddress> ParseSmtpServer(const QString &text, QString *error = nullptr);

/**
 * The SMTP client (libcurl). The mail procedures call it in this order:
 * setVerifyCertificate(true), setCredentials, setStartTls(true), setServer, connect,
 * setSender / setRecipient, dateText, sendFile, disconnect. Every call blocks until its
 * work is done, bounded by the connect and total time-outs; run it off the window
 * thread. A call that fails returns false and leaves the reason in lastError().
 *
 * connect() holds a whole session up to the login (greeting, EHLO, STARTTLS, AUTH)
 * and closes it again, so "connected" means the server has taken us and our login;
 * sendFile() then delivers the saved message in a session of its own.
 */
class Smtp
{
public:
    Smtp();
    ~Smtp();
    Smtp(const Smtp &) = delete;
    Smtp &operator=(const Smtp &) = delete;

    /// Check the server's TLS certificate and host name (the first on/off option).
    void setVerifyCertificate(bool on);
    /// An empty user name means no login.
    void setCredentials(const QString &user, const QString &password);
    /// Upgrade with STARTTLS whenever the server offers it (the second on/off option).
    void setStartTls(bool on);
    bool setServer(const QString &server);

    bool connect();
    bool isConnected() const;

    bool setSender(const QString &address);
    /// One address or several separated by commas, with or without display names.
    bool setRecipient(const QString &addresses);

    /// The moment of connecting as an RFC 5322 date, for the message's Date header.
    QString dateText() const;

    /// Transfers the file at \a path, a whole saved message, from \a from to \a to.
    bool sendFile(const QString &from, const QString &to, const QString &path);

    void disconnect();

    MailError lastError() const;

    // Not part of the procedures' sequence: limits and trust for tests and callers
    // that know better than the defaults.
    void setTimeouts(int connectMs, int totalMs);
    /// Certificates to trust in place of the system's (a PEM file).
    void setCaFile(const QString &path);
    /// The knowing choice to log in without encryption; "plain:" in the server form sets it too.
    void setClearTextLoginAllowed(bool allowed);
    /// A flag another thread may raise to abandon the current call within about a second.
    void setCancelFlag(const std::atomic_bool *flag);

    static constexpr int DefaultConnectTimeoutMs = 20000;
    static constexpr int DefaultTotalTimeoutMs = 120000;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace pellux
