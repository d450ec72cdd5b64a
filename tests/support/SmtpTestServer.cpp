#include "support/SmtpTestServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpServer>
#include <QTemporaryFile>

namespace pellux::test {

namespace {

const QString Python = QStringLiteral("/usr/bin/python3");

QString script(const char *name)
{
    return QStringLiteral(QT_TESTCASE_SOURCEDIR "/support/") + QLatin1String(name);
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

SmtpTestServer::SmtpTestServer(const Options &options) : m_options(options) {}

SmtpTestServer::~SmtpTestServer()
{
    if (m_process && m_process->state() != QProcess::NotRunning) {
        m_process->closeWriteChannel(); // the server ends when its stdin closes
        if (!m_process->waitForFinished(3000)) {
            m_process->kill();
            m_process->waitForFinished(3000);
        }
    }
}

QString SmtpTestServer::address() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_port);
}

QString SmtpTestServer::certificate() const
{
    return m_dir.filePath(QStringLiteral("cert.pem"));
}

bool SmtpTestServer::start()
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    const QString out = m_dir.filePath(QStringLiteral("out"));
    QDir().mkpath(out);
    QStringList args{script("smtp_test_server.py"), QStringLiteral("--out"), out};
    if (!m_options.authUser.isEmpty())
        args << QStringLiteral("--auth") << m_options.authUser + QLatin1Char(':') + m_options.authPassword;
    if (m_options.tls) {
        QProcess openssl;
        openssl.start(QStringLiteral("openssl"),
                      {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("rsa:2048"),
                       QStringLiteral("-nodes"), QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                       QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-addext"), QStringLiteral("subjectAltName=IP:127.0.0.1"),
                       QStringLiteral("-keyout"), m_dir.filePath(QStringLiteral("key.pem")), QStringLiteral("-out"), certificate()});
        if (!openssl.waitForFinished(60000) || openssl.exitCode() != 0) {
            m_error = QStringLiteral("openssl req failed: ") + QString::fromLocal8Bit(openssl.readAllStandardError());
            return false;
        }
        args << QStringLiteral("--tls") << certificate() << m_dir.filePath(QStringLiteral("key.pem"));
    }
    if (m_options.requireTls)
        args << QStringLiteral("--require-tls");
    if (m_options.implicitTls)
        args << QStringLiteral("--implicit-tls");
    for (const QString &r : m_options.refuse)
        args << QStringLiteral("--refuse") << r;
    if (m_options.dataDelay > 0)
        args << QStringLiteral("--data-delay") << QString::number(m_options.dataDelay);
    if (m_options.silent)
        args << QStringLiteral("--silent");

    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::SeparateChannels);
    m_process->start(Python, args);
    if (!m_process->waitForStarted(10000)) {
        m_error = QStringLiteral("cannot start ") + Python + QStringLiteral(": ") + m_process->errorString();
        return false;
    }
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 20000) {
        if (m_process->canReadLine()) {
            const QByteArray line = m_process->readLine().trimmed();
            if (line.startsWith("PORT ")) {
                m_port = line.mid(5).toInt();
                return m_port > 0;
            }
        }
        if (m_process->state() == QProcess::NotRunning)
            break;
        m_process->waitForReadyRead(200);
    }
    m_error = QStringLiteral("the SMTP test server did not start: ") + QString::fromLocal8Bit(m_process->readAllStandardError());
    return false;
}

QList<ReceivedMail> SmtpTestServer::received() const
{
    QList<ReceivedMail> mails;
    const QDir out(m_dir.filePath(QStringLiteral("out")));
    for (int n = 1;; ++n) {
        const QString base = out.filePath(QStringLiteral("msg-%1").arg(n));
        if (!QFile::exists(base + QStringLiteral(".json")))
            break;
        ReceivedMail m;
        m.raw = readAll(base + QStringLiteral(".eml"));
        const QJsonObject meta = QJsonDocument::fromJson(readAll(base + QStringLiteral(".json"))).object();
        m.mailFrom = meta.value(QStringLiteral("mail_from")).toString();
        for (const QJsonValue &v : meta.value(QStringLiteral("rcpt_tos")).toArray())
            m.rcptTos << v.toString();
        m.tls = meta.value(QStringLiteral("tls")).toBool();
        m.authUser = meta.value(QStringLiteral("auth_user")).toString();
        m.parsed = ParseMail(m.raw);
        mails << m;
    }
    return mails;
}

QStringList SmtpTestServer::authAttempts() const
{
    const QString log = QString::fromUtf8(readAll(m_dir.filePath(QStringLiteral("out/auth.log"))));
    return log.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

int SmtpTestServer::closedPort()
{
    QTcpServer s;
    s.listen(QHostAddress::LocalHost, 0);
    const int port = s.serverPort();
    s.close();
    return port;
}

QJsonObject ParseMail(const QByteArray &raw, QString *error)
{
    QTemporaryFile f;
    if (!f.open() || f.write(raw) != raw.size() || !f.flush()) {
        if (error)
            *error = QStringLiteral("cannot write the message for the parser");
        return {};
    }
    QProcess p;
    p.start(Python, {script("mail_parse.py"), f.fileName()});
    if (!p.waitForFinished(30000) || p.exitCode() != 0) {
        if (error)
            *error = QString::fromLocal8Bit(p.readAllStandardError());
        return {};
    }
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

} // namespace pellux::test
