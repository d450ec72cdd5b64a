#include "support/PulseAudioServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

namespace pellux::test {

namespace {

QString tool(const char *name)
{
    return QStandardPaths::findExecutable(QString::fromLatin1(name));
}

/// Lets events run until \a done holds or \a ms have passed.
template<typename Done>
bool waitFor(Done done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QTest::qWait(20);
    }
    return true;
}

} // namespace

PulseAudioServer::~PulseAudioServer()
{
    stop();
}

QStringList PulseAudioServer::missingTools()
{
    QStringList missing;
    for (const char *name : {"pulseaudio", "pactl", "pacat", "sox"}) {
        if (tool(name).isEmpty())
            missing << QString::fromLatin1(name);
    }
    return missing;
}

bool PulseAudioServer::start(QString *error)
{
    if (!m_dir.isValid()) {
        *error = QStringLiteral("no temporary folder");
        return false;
    }
    const QString root = m_dir.path();
    for (const char *d : {"home", "run", "config"})
        QDir(root).mkpath(QString::fromLatin1(d));
    QFile::setPermissions(root + QStringLiteral("/run"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString socket = root + QStringLiteral("/native");
    const QString script = root + QStringLiteral("/pulse.pa");
    QFile pa(script);
    if (!pa.open(QIODevice::WriteOnly)
        || pa.write(QStringLiteral("load-module module-null-sink sink_name=%1 rate=%2\n"
                                   "set-default-sink %1\n"
                                   "load-module module-native-protocol-unix auth-anonymous=1 socket=%3\n")
                        .arg(sink())
                        .arg(kRate)
                        .arg(socket)
                        .toUtf8())
               < 0) {
        *error = QStringLiteral("cannot write %1").arg(script);
        return false;
    }
    pa.close();

    // The server and every client of it live in the temporary folder, not the user's.
    m_env = QProcessEnvironment::systemEnvironment();
    m_env.insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));
    m_env.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/config"));
    m_env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root + QStringLiteral("/run"));
    m_env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), root + QStringLiteral("/run/pulse"));
    m_env.insert(QStringLiteral("PULSE_STATE_PATH"), root + QStringLiteral("/state"));
    m_env.insert(QStringLiteral("PULSE_COOKIE"), root + QStringLiteral("/cookie"));
    m_env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + socket);
    m_server.setProcessEnvironment(m_env);
    m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_server.start(tool("pulseaudio"),
                   {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--system=false"),
                    QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--use-pid-file=no"),
                    QStringLiteral("--log-target=stderr"), QStringLiteral("--log-level=error"), QStringLiteral("-F"),
                    script});
    if (!m_server.waitForStarted(5000)) {
        *error = QStringLiteral("pulseaudio did not start: %1").arg(m_server.errorString());
        return false;
    }
    if (!waitFor([&] { return QFile::exists(socket); }, 10000)
        || !waitFor([&] { return pactl({QStringLiteral("info")}) == 0; }, 10000)) {
        *error = QStringLiteral("pulseaudio does not answer on %1").arg(socket);
        return false;
    }
    // This process plays on that server too.
    qputenv("PULSE_SERVER", (QStringLiteral("unix:") + socket).toUtf8());
    qputenv("PULSE_COOKIE", QFile::encodeName(root + QStringLiteral("/cookie")));
    return true;
}

void PulseAudioServer::stop()
{
    if (m_server.state() != QProcess::NotRunning) {
        m_server.terminate();
        if (!m_server.waitForFinished(5000))
            m_server.kill();
        m_server.waitForFinished(1000);
    }
}

int PulseAudioServer::pactl(const QStringList &args) const
{
    QProcess p;
    p.setProcessEnvironment(m_env);
    p.start(tool("pactl"), args);
    if (!p.waitForFinished(5000))
        return -1;
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

bool PulseAudioServer::startRecording(QProcess &recorder, QByteArray *start, QString *error) const
{
    recorder.setProcessEnvironment(m_env);
    recorder.start(tool("pacat"), {QStringLiteral("--record"), QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                                   QStringLiteral("--rate=%1").arg(kRate), QStringLiteral("--channels=1"),
                                   QStringLiteral("--latency-msec=20"), QStringLiteral("-d"),
                                   sink() + QStringLiteral(".monitor")});
    if (!recorder.waitForStarted(5000)) {
        *error = QStringLiteral("pacat did not start: %1").arg(recorder.errorString());
        return false;
    }
    if (!waitFor([&] { return recorder.bytesAvailable() > 0; }, 10000)) {
        *error = QStringLiteral("pacat records nothing from %1.monitor").arg(sink());
        return false;
    }
    *start = recorder.readAllStandardOutput();
    return true;
}

bool PulseAudioServer::makeTone(const QString &path, const QString &seconds, QString *error)
{
    const int rc = QProcess::execute(tool("sox"), {QStringLiteral("-n"), QStringLiteral("-r"), QString::number(kRate),
                                                   QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-b"),
                                                   QStringLiteral("16"), path, QStringLiteral("synth"), seconds,
                                                   QStringLiteral("sine"), QStringLiteral("440"), QStringLiteral("vol"),
                                                   QStringLiteral("0.5")});
    if (rc != 0) {
        *error = QStringLiteral("sox could not make %1 (exit %2)").arg(path).arg(rc);
        return false;
    }
    return true;
}

bool PulseAudioServer::soxStat(const QByteArray &samples, Stat *stat, QString *error)
{
    QProcess sox;
    sox.start(tool("sox"), {QStringLiteral("-t"), QStringLiteral("raw"), QStringLiteral("-r"), QString::number(kRate),
                            QStringLiteral("-e"), QStringLiteral("signed"), QStringLiteral("-b"), QStringLiteral("16"),
                            QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-"), QStringLiteral("-n"),
                            QStringLiteral("stat")});
    if (!sox.waitForStarted(5000)) {
        *error = QStringLiteral("sox did not start");
        return false;
    }
    sox.write(samples);
    sox.closeWriteChannel();
    if (!sox.waitForFinished(10000) || sox.exitCode() != 0) {
        *error = QStringLiteral("sox stat failed: %1").arg(QString::fromLocal8Bit(sox.readAllStandardError()));
        return false;
    }
    // sox writes its statistics to its error channel, one "Name:   value" a line.
    const QString report = QString::fromLocal8Bit(sox.readAllStandardError());
    auto value = [&report](const QString &name) {
        const QRegularExpression re(QStringLiteral("^%1:\\s*(\\S+)").arg(QRegularExpression::escape(name)),
                                    QRegularExpression::MultilineOption);
        const QRegularExpressionMatch m = re.match(report);
        return m.hasMatch() ? m.captured(1).toDouble() : -1.0;
    };
    stat->rms = value(QStringLiteral("RMS     amplitude"));
    stat->maximum = value(QStringLiteral("Maximum amplitude"));
    stat->seconds = value(QStringLiteral("Length (seconds)"));
    if (stat->rms < 0 || stat->maximum < 0 || stat->seconds < 0) {
        *error = QStringLiteral("sox stat said: %1").arg(report);
        return false;
    }
    return true;
}

} // namespace pellux::test
