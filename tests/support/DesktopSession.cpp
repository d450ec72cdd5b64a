#include "support/DesktopSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

#include <csignal>
#include <sys/prctl.h>

namespace pellux::test {

namespace {

/// A desktop program ends with the test process, however that ends (a killed test too).
void endWithThisProcess(QProcess &process)
{
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
}

/// Window ids ("0x1c00003") in an xprop answer, in their order.
QList<unsigned long> windowIds(const QString &text)
{
    QList<unsigned long> ids;
    static const QRegularExpression hex(QStringLiteral("0x[0-9a-fA-F]+"));
    for (auto it = hex.globalMatch(text); it.hasNext();)
        ids << it.next().captured(0).toULong(nullptr, 16);
    return ids;
}

} // namespace

DesktopSession::DesktopSession() = default;

DesktopSession::~DesktopSession()
{
    stop();
}

QStringList DesktopSession::missingPrograms()
{
    QStringList missing;
    for (const char *program : {"Xvfb", "openbox", "trayer", "xdotool", "xprop"}) {
        if (QStandardPaths::findExecutable(QLatin1String(program)).isEmpty())
            missing << QLatin1String(program);
    }
    return missing;
}

bool DesktopSession::waitFor(const std::function<bool()> &condition, int timeoutMs) const
{
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QThread::msleep(50);
    }
    return true;
}

bool DesktopSession::startProgram(std::unique_ptr<QProcess> &process, const QString &program,
                                  const QStringList &arguments)
{
    process = std::make_unique<QProcess>();
    endWithThisProcess(*process);
    process->setProcessEnvironment(environment());
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->setStandardOutputFile(QProcess::nullDevice());
    process->start(program, arguments);
    if (!process->waitForStarted(10000)) {
        m_error = program + QStringLiteral(" did not start: ") + process->errorString();
        return false;
    }
    return true;
}

bool DesktopSession::start(bool trayHost)
{
    if (const QStringList missing = missingPrograms(); !missing.isEmpty()) {
        m_error = QStringLiteral("missing: ") + missing.join(QStringLiteral(", "));
        return false;
    }
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    // The server picks a free display itself and says which once it takes connections.
    m_server = std::make_unique<QProcess>();
    endWithThisProcess(*m_server);
    m_server->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_server->start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                             QStringLiteral("0"), QStringLiteral("1280x1024x24"),
                                             QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    if (!m_server->waitForStarted(10000)) {
        m_error = QStringLiteral("Xvfb did not start: ") + m_server->errorString();
        return false;
    }
    QByteArray number;
    QElapsedTimer t;
    t.start();
    while (!number.endsWith('\n') && t.elapsed() < 20000 && m_server->state() == QProcess::Running) {
        m_server->waitForReadyRead(200);
        number += m_server->readAllStandardOutput();
    }
    if (!number.endsWith('\n')) {
        m_error = QStringLiteral("Xvfb named no display");
        return false;
    }
    m_display = QLatin1Char(':') + QString::fromLatin1(number.trimmed());

    // The window manager reads a config folder of its own (environment()): nobody's
    // openbox settings come in.
    if (!startProgram(m_windowManager, QStringLiteral("openbox"), {QStringLiteral("--sm-disable")}))
        return false;
    if (!waitFor([this] { return xprop(QStringLiteral("_NET_SUPPORTING_WM_CHECK")).contains(QLatin1String("window id")); },
                 20000)) {
        m_error = QStringLiteral("openbox did not take the screen");
        return false;
    }
    if (trayHost) {
        if (!startProgram(m_trayHost, QStringLiteral("trayer"),
                          {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                           QStringLiteral("right"), QStringLiteral("--widthtype"), QStringLiteral("request"),
                           QStringLiteral("--height"), QStringLiteral("24"), QStringLiteral("--SetDockType"),
                           QStringLiteral("true"), QStringLiteral("--SetPartialStrut"), QStringLiteral("true"),
                           QStringLiteral("--transparent"), QStringLiteral("false")}))
            return false;
        // Docked: the window manager keeps its strip out of the work area.
        if (!waitFor([this] { return xprop(QStringLiteral("_NET_WORKAREA")).contains(QLatin1String("= 0, 24,")); },
                     20000)) {
            m_error = QStringLiteral("trayer did not dock");
            return false;
        }
    }
    return true;
}

void DesktopSession::stop()
{
    for (std::unique_ptr<QProcess> *p : {&m_trayHost, &m_windowManager, &m_server}) {
        if (!*p)
            continue;
        if ((*p)->state() != QProcess::NotRunning) {
            (*p)->terminate();
            if (!(*p)->waitForFinished(5000)) {
                (*p)->kill();
                (*p)->waitForFinished(5000);
            }
        }
        p->reset();
    }
}

QProcessEnvironment DesktopSession::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
    for (const char *name : {"WAYLAND_DISPLAY", "XAUTHORITY", "QT_QPA_PLATFORMTHEME", "DESKTOP_SESSION"})
        env.remove(QLatin1String(name));
    return env;
}

void DesktopSession::useInThisProcess() const
{
    qputenv("DISPLAY", m_display.toLatin1());
    qputenv("QT_QPA_PLATFORM", "xcb");
    for (const char *name : {"WAYLAND_DISPLAY", "XAUTHORITY", "QT_QPA_PLATFORMTHEME"})
        qunsetenv(name);
}

QString DesktopSession::run(const QString &program, const QStringList &arguments, bool *ok) const
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    p.setProcessEnvironment(env);
    p.start(program, arguments);
    const bool finished = p.waitForStarted(5000) && p.waitForFinished(10000);
    if (ok)
        *ok = finished && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
    while (out.endsWith(QLatin1Char('\n')))
        out.chop(1);
    return out;
}

QString DesktopSession::xdotool(const QStringList &arguments, bool *ok) const
{
    return run(QStringLiteral("xdotool"), arguments, ok);
}

QString DesktopSession::xprop(const QString &property, unsigned long window) const
{
    QStringList args;
    if (window)
        args << QStringLiteral("-id") << QString::number(window);
    else
        args << QStringLiteral("-root");
    args << property;
    return run(QStringLiteral("xprop"), args, nullptr);
}

unsigned long DesktopSession::activeWindow() const
{
    const QList<unsigned long> ids = windowIds(xprop(QStringLiteral("_NET_ACTIVE_WINDOW")));
    return ids.isEmpty() ? 0 : ids.first();
}

QList<unsigned long> DesktopSession::stackingOrder() const
{
    return windowIds(xprop(QStringLiteral("_NET_CLIENT_LIST_STACKING")));
}

QRect DesktopSession::frameOf(unsigned long window) const
{
    bool ok = false;
    const QString out =
        xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), QString::number(window)}, &ok);
    if (!ok)
        return {};
    QMap<QString, int> v;
    for (const QString &line : out.split(QLatin1Char('\n'))) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0)
            v.insert(line.left(eq), line.mid(eq + 1).toInt());
    }
    // left, right, top, bottom
    static const QRegularExpression numbers(QStringLiteral("= (\\d+), (\\d+), (\\d+), (\\d+)"));
    const QRegularExpressionMatch m = numbers.match(xprop(QStringLiteral("_NET_FRAME_EXTENTS"), window));
    if (!m.hasMatch())
        return {};
    const int left = m.captured(1).toInt(), right = m.captured(2).toInt();
    const int top = m.captured(3).toInt(), bottom = m.captured(4).toInt();
    return QRect(v.value(QStringLiteral("X")) - left, v.value(QStringLiteral("Y")) - top,
                 v.value(QStringLiteral("WIDTH")) + left + right, v.value(QStringLiteral("HEIGHT")) + top + bottom);
}

bool DesktopSession::isShown(unsigned long window) const
{
    return xprop(QStringLiteral("WM_STATE"), window).contains(QLatin1String("Normal"));
}

} // namespace pellux::test
