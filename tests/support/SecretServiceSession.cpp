#include "support/SecretServiceSession.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>

namespace pellux::test {

namespace {

const QString ProbeName = QStringLiteral("pellux-secret-service-probe");

bool fail(QString *error, const QString &why)
{
    *error = why;
    return false;
}

} // namespace

SecretServiceSession::~SecretServiceSession()
{
    QDBusConnection::disconnectFromBus(ProbeName);
    for (QProcess *p : {&m_keyring, &m_bus}) {
        if (p->state() == QProcess::NotRunning)
            continue;
        p->terminate();
        if (!p->waitForFinished(5000)) {
            p->kill();
            p->waitForFinished(5000);
        }
    }
}

bool SecretServiceSession::startBus(QString *error)
{
    if (!m_address.isEmpty())
        return true;
    if (!m_dir.isValid() || !m_socketDir.isValid())
        return fail(error, QStringLiteral("no temporary folder"));
    const QString socketDir = m_socketDir.path();
    const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
    QFile conf(config);
    if (!conf.open(QIODevice::WriteOnly))
        return fail(error, QStringLiteral("cannot write the bus configuration"));
    conf.write(QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
                              "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                              "<busconfig><type>session</type><listen>unix:dir=%1</listen>"
                              "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                              "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n")
                   .arg(socketDir)
                   .toUtf8());
    conf.close();

    m_bus.start(QStringLiteral("dbus-daemon"),
                {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"), QStringLiteral("--print-address")});
    if (!m_bus.waitForStarted(10000))
        return fail(error, QStringLiteral("dbus-daemon: ") + m_bus.errorString());
    QElapsedTimer t;
    t.start();
    while (!m_bus.canReadLine() && m_bus.state() == QProcess::Running && t.elapsed() < 10000)
        m_bus.waitForReadyRead(200);
    m_address = QString::fromUtf8(m_bus.readLine().trimmed());
    if (m_address.isEmpty())
        return fail(error, QStringLiteral("dbus-daemon gave no address: ") + QString::fromLocal8Bit(m_bus.readAllStandardError()));
    return true;
}

bool SecretServiceSession::startKeyring(QString *error)
{
    if (!startBus(error))
        return false;
    const QString home = m_dir.filePath(QStringLiteral("home"));
    const QString runtime = m_dir.filePath(QStringLiteral("run"));
    QDir().mkpath(home);
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_address);
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
    env.remove(QStringLiteral("DISPLAY"));
    m_keyring.setProcessEnvironment(env);
    m_keyring.start(QStringLiteral("gnome-keyring-daemon"),
                    {QStringLiteral("--foreground"), QStringLiteral("--unlock"), QStringLiteral("--components=secrets")});
    if (!m_keyring.waitForStarted(10000))
        return fail(error, QStringLiteral("gnome-keyring-daemon: ") + m_keyring.errorString());
    // --unlock reads the login keyring's password from stdin (and makes the keyring with it).
    m_keyring.write("pw");
    m_keyring.closeWriteChannel();

    QDBusConnection probe = QDBusConnection::connectToBus(m_address, ProbeName);
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 15000) {
        if (probe.isConnected() && probe.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.secrets")))
            return true;
        if (m_keyring.state() == QProcess::NotRunning)
            break;
        QTest::qWait(100);
    }
    return fail(error, QStringLiteral("the Secret Service did not come up: ")
                           + QString::fromLocal8Bit(m_keyring.readAllStandardError()));
}

int SecretServiceSession::defaultCollectionItems() const
{
    QDBusConnection probe(ProbeName);
    QDBusMessage m = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.secrets"),
                                                    QStringLiteral("/org/freedesktop/secrets/aliases/default"),
                                                    QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    m << QStringLiteral("org.freedesktop.Secret.Collection") << QStringLiteral("Items");
    const QDBusMessage reply = probe.call(m);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return -1;
    const QDBusArgument items = reply.arguments().first().value<QDBusVariant>().variant().value<QDBusArgument>();
    return int(qdbus_cast<QList<QDBusObjectPath>>(items).size());
}

} // namespace pellux::test
