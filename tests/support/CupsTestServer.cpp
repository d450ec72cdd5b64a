#include "support/CupsTestServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

#include <unistd.h>

namespace pellux::test {

namespace {

const QString Cupsd = QStringLiteral("/usr/sbin/cupsd");
const QString CupsPdfBackend = QStringLiteral("/usr/lib/cups/backend/cups-pdf");
const QString CupsPdfPpd = QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd");
const QString CupsPdfConfigFolder = QStringLiteral("/etc/cups");

bool writeText(const QString &path, const QString &text)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text.toUtf8()) == text.toUtf8().size();
}

} // namespace

CupsTestServer::CupsTestServer() = default;

CupsTestServer::~CupsTestServer()
{
    stop();
}

QString CupsTestServer::unavailableReason()
{
    if (::geteuid() != 0)
        return QStringLiteral("cupsd runs only as root");
    for (const QString &file : {Cupsd, CupsPdfBackend, CupsPdfPpd}) {
        if (!QFileInfo::exists(file))
            return file + QStringLiteral(" is missing (cups, printer-driver-cups-pdf)");
    }
    for (const char *program : {"lpadmin", "lpstat", "cupsreject", "cupsdisable"}) {
        if (QStandardPaths::findExecutable(QLatin1String(program)).isEmpty())
            return QLatin1String(program) + QStringLiteral(" is missing (cups-client)");
    }
    if (!QFileInfo(CupsPdfConfigFolder).isDir())
        return CupsPdfConfigFolder + QStringLiteral(" is missing");
    return QString();
}

QString CupsTestServer::socketPath() const
{
    return m_dir.filePath(QStringLiteral("run/cups.sock"));
}

QString CupsTestServer::uniqueQueueName(const QString &stem)
{
    return QStringLiteral("PelluxTest_%1_%2").arg(QCoreApplication::applicationPid()).arg(stem);
}

bool CupsTestServer::start()
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    const QString root = m_dir.path();
    for (const char *sub : {"conf", "spool/tmp", "cache", "state", "log", "run", "out", "tooltmp"})
        QDir().mkpath(root + QLatin1Char('/') + QLatin1String(sub));
    // cupsd drops to its own user for some work; it must reach its folders.
    QFile::setPermissions(root, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                    | QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther
                                    | QFileDevice::ExeOther);
    const QString files = root + QStringLiteral("/conf/cups-files.conf");
    const QString conf = root + QStringLiteral("/conf/cupsd.conf");
    const bool written =
        writeText(files, QStringLiteral("ServerRoot %1/conf\nRequestRoot %1/spool\nTempDir %1/spool/tmp\n"
                                        "CacheDir %1/cache\nStateDir %1/state\nAccessLog %1/log/access_log\n"
                                        "ErrorLog %1/log/error_log\nPageLog %1/log/page_log\nSystemGroup root\n"
                                        "FileDevice No\n")
                             .arg(root))
        && writeText(conf, QStringLiteral("Listen %1\nLogLevel info\nBrowsing No\nWebInterface No\n"
                                          "DefaultAuthType None\nPreserveJobHistory Yes\nPreserveJobFiles Yes\nMaxJobs 0\n"
                                          "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                                          "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n"
                                          "</Policy>\n")
                               .arg(socketPath()));
    if (!written) {
        m_error = QStringLiteral("the cupsd configuration cannot be written");
        return false;
    }

    m_cupsd = std::make_unique<QProcess>();
    m_cupsd->setProcessChannelMode(QProcess::MergedChannels);
    m_cupsd->start(Cupsd, {QStringLiteral("-f"), QStringLiteral("-c"), conf, QStringLiteral("-s"), files});
    if (!m_cupsd->waitForStarted(10000)) {
        m_error = QStringLiteral("cupsd did not start: ") + m_cupsd->errorString();
        return false;
    }
    // This process's CUPS clients (and the tools run below) talk to this server only.
    qputenv("CUPS_SERVER", QFile::encodeName(socketPath()));
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 20000) {
        if (m_cupsd->state() != QProcess::Running) {
            m_error = QStringLiteral("cupsd ended: ") + QString::fromLocal8Bit(m_cupsd->readAll());
            return false;
        }
        QString out;
        if (QFileInfo::exists(socketPath()) && tool(QStringLiteral("lpstat"), {QStringLiteral("-r")}, &out)
            && out.contains(QLatin1String("is running")))
            return true;
        QThread::msleep(100);
    }
    m_error = QStringLiteral("cupsd did not answer: ") + QString::fromLocal8Bit(m_cupsd->readAll());
    return false;
}

void CupsTestServer::stop()
{
    if (m_cupsd && m_cupsd->state() != QProcess::NotRunning) {
        m_cupsd->terminate();
        if (!m_cupsd->waitForFinished(10000)) {
            m_cupsd->kill();
            m_cupsd->waitForFinished(5000);
        }
    }
    m_cupsd.reset();
    for (const QString &config : std::as_const(m_queueConfigs))
        QFile::remove(config);
    m_queueConfigs.clear();
}

bool CupsTestServer::tool(const QString &program, const QStringList &arguments, QString *output)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CUPS_SERVER"), socketPath());
    // Not the temporary folder of whichever test ran before.
    env.insert(QStringLiteral("TMPDIR"), m_dir.filePath(QStringLiteral("tooltmp")));
    p.setProcessEnvironment(env);
    p.start(program, arguments);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        m_error = QStringLiteral("%1 %2 failed: %3%4")
                      .arg(program, arguments.join(QLatin1Char(' ')), QString::fromLocal8Bit(p.readAllStandardError()),
                           p.errorString());
        return false;
    }
    if (output)
        *output = QString::fromLocal8Bit(p.readAllStandardOutput());
    return true;
}

QString CupsTestServer::outputDir(const QString &queue) const
{
    return m_dir.filePath(QStringLiteral("out/") + queue);
}

bool CupsTestServer::addPdfQueue(const QString &name, bool makeDefault, const QString &outputDir)
{
    const QString out = outputDir.isEmpty() ? this->outputDir(name) : outputDir;
    if (outputDir.isEmpty())
        QDir().mkpath(out);
    const QString logs = m_dir.filePath(QStringLiteral("log/cups-pdf"));
    QDir().mkpath(logs);
    const QString config = CupsPdfConfigFolder + QStringLiteral("/cups-pdf-") + name + QStringLiteral(".conf");
    if (!writeText(config, QStringLiteral("Out %1\nLog %2\nLabel 1\n").arg(out, logs))) {
        m_error = config + QStringLiteral(" cannot be written");
        return false;
    }
    m_queueConfigs << config;
    // The device names the queue, so that cups-pdf reads the settings just written.
    if (!tool(QStringLiteral("lpadmin"), {QStringLiteral("-p"), name, QStringLiteral("-E"), QStringLiteral("-v"),
                                          QStringLiteral("cups-pdf:/") + name, QStringLiteral("-P"), CupsPdfPpd}))
        return false;
    return !makeDefault || tool(QStringLiteral("lpadmin"), {QStringLiteral("-d"), name});
}

QStringList CupsTestServer::outputFiles(const QString &queue) const
{
    QStringList out;
    for (const QFileInfo &f : QDir(outputDir(queue)).entryInfoList({QStringLiteral("*.pdf")}, QDir::Files))
        out << f.absoluteFilePath();
    return out;
}

QStringList CupsTestServer::completedJobs(const QString &queue)
{
    QString out;
    if (!tool(QStringLiteral("lpstat"), {QStringLiteral("-W"), QStringLiteral("completed"), QStringLiteral("-o"), queue}, &out))
        return {};
    return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString CupsTestServer::jobDocument(const QString &jobLine) const
{
    // "<queue>-<id> user size date": the spool keeps the document as d<id>-001.
    const QString name = jobLine.section(QLatin1Char(' '), 0, 0);
    const int id = name.section(QLatin1Char('-'), -1).toInt();
    return m_dir.filePath(QStringLiteral("spool/d%1-001").arg(id, 5, 10, QLatin1Char('0')));
}

QStringList CupsTestServer::notCompletedJobs(const QString &queue)
{
    QString out;
    if (!tool(QStringLiteral("lpstat"), {QStringLiteral("-W"), QStringLiteral("not-completed"), QStringLiteral("-o"), queue}, &out))
        return {};
    return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace pellux::test
