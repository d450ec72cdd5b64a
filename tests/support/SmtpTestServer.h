#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace pellux::test {

/// One message the test server took, with the envelope it came in.
struct ReceivedMail
{
    QByteArray raw;              ///< the bytes as received
    QString mailFrom;
    QStringList rcptTos;
    bool tls = false;            ///< the session had been upgraded to TLS
    QString authUser;            ///< who logged in, empty for nobody
    QJsonObject parsed;          ///< what Python's email package makes of it (mail_parse.py)
};

/**
 * A real SMTP server (aiosmtpd under Debian's /usr/bin/python3) on a free loopback
 * port, started by the constructor's caller through start() and stopped with the
 * object. Options follow tests/support/smtp_test_server.py.
 */
class SmtpTestServer
{
public:
    struct Options
    {
        QString authUser;        ///< with authPassword: AUTH required
        QString authPassword;
        bool tls = false;        ///< offer STARTTLS with a fresh self-signed certificate
        bool requireTls = false;
        bool implicitTls = false; ///< with tls: TLS from the first byte (smtps) instead of STARTTLS
        QStringList refuse;      ///< recipients answered with 550
        double dataDelay = 0;    ///< seconds before the DATA reply
        bool silent = false;     ///< accept and never answer
    };

    explicit SmtpTestServer(const Options &options);
    SmtpTestServer() : SmtpTestServer(Options{}) {}
    ~SmtpTestServer();

    /// Starts and waits for the port; false with error() on failure.
    bool start();
    QString error() const { return m_error; }
    int port() const { return m_port; }
    /// "127.0.0.1:<port>", the form of the "SMTPServer" setting.
    QString address() const;
    /// The certificate to trust for the STARTTLS server (PEM).
    QString certificate() const;

    /// Messages received so far, oldest first.
    QList<ReceivedMail> received() const;
    /// Login attempts so far, one line each ("PLAIN tls=False").
    QStringList authAttempts() const;

    /// A port on which nothing listens (bound and released again).
    static int closedPort();

private:
    Options m_options;
    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_process;
    int m_port = 0;
    QString m_error;
};

/// Runs mail_parse.py on raw message bytes.
QJsonObject ParseMail(const QByteArray &raw, QString *error = nullptr);

} // namespace pellux::test
