// Where the window check's screen-saver and lock states come from on a Linux
// desktop: the screen saver's and logind's D-Bus services, played here by fakes on
// two private buses (one standing in for the session bus, one for the system bus).

#include "platform/DesktopPlatform.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace pellux;

namespace {

/// A screen saver service's GetActive, under any name (its signal is sent by hand).
class FakeScreenSaver : public QObject
{
    Q_OBJECT
public:
    bool active = false;

public slots:
    bool GetActive() const { return active; }
};

/// A fake service's own bus connection; it leaves the bus, names and all, with its scope.
struct ServiceBus
{
    QDBusConnection bus;
    explicit ServiceBus(const QDBusConnection &connection)
        : bus(connection)
    {
    }
    ~ServiceBus() { QDBusConnection::disconnectFromBus(bus.name()); }
};

/// logind's manager: finds the caller's session by process, or by name.
class FakeLoginManager : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    bool knowsPid = true;
    QString sessionPath = QStringLiteral("/org/freedesktop/login1/session/_37");
    QStringList askedByName;

public slots:
    QDBusObjectPath GetSessionByPID(uint pid)
    {
        Q_UNUSED(pid);
        if (!knowsPid) {
            sendErrorReply(QStringLiteral("org.freedesktop.login1.NoSessionForPID"),
                           QStringLiteral("PID does not belong to any known session"));
            return {};
        }
        return QDBusObjectPath(sessionPath);
    }
    QDBusObjectPath GetSession(const QString &id)
    {
        askedByName << id;
        return QDBusObjectPath(sessionPath);
    }
};

/// logind's session: the LockedHint property and the Lock/Unlock requests.
class FakeLoginSession : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Session")
    Q_PROPERTY(bool LockedHint READ LockedHint)
public:
    bool lockedHint = false;
    bool LockedHint() const { return lockedHint; }

signals:
    void Lock();
    void Unlock();
};

const QString kSessionInterface = QStringLiteral("org.freedesktop.login1.Session");

} // namespace

class TestLifecycleDesktop : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_sessionBus;
    std::unique_ptr<QProcess> m_systemBus;
    QString m_sessionAddress;
    QString m_systemAddress;
    int m_connections = 0;

    std::unique_ptr<QProcess> startBus(const QString &address)
    {
        auto bus = std::make_unique<QProcess>();
        bus->start(QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")),
                   {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                    QStringLiteral("--address=") + address});
        if (!bus->waitForStarted(5000))
            return nullptr;
        return bus;
    }

    /// A connection of the fake services' own, so that they own their names apart from the watcher.
    QDBusConnection serviceConnection(const QString &address)
    {
        return QDBusConnection::connectToBus(address, QStringLiteral("fake%1").arg(++m_connections));
    }

    static void emitSignal(QDBusConnection &bus, const QString &path, const QString &interfaceName,
                           const QString &name, const QVariantList &arguments = {})
    {
        QDBusMessage signal = QDBusMessage::createSignal(path, interfaceName, name);
        signal.setArguments(arguments);
        QVERIFY(bus.send(signal));
    }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            QSKIP("dbus-daemon is not installed");
        QVERIFY(m_dir.isValid());
        m_sessionAddress = QStringLiteral("unix:path=") + m_dir.filePath(QStringLiteral("session"));
        m_systemAddress = QStringLiteral("unix:path=") + m_dir.filePath(QStringLiteral("system"));
        m_sessionBus = startBus(m_sessionAddress);
        m_systemBus = startBus(m_systemAddress);
        QVERIFY(m_sessionBus && m_systemBus);
        QTRY_VERIFY(QFile::exists(m_dir.filePath(QStringLiteral("session")))
                    && QFile::exists(m_dir.filePath(QStringLiteral("system"))));
        // The program's own connections are made on first use, from these.
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_sessionAddress.toUtf8());
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_systemAddress.toUtf8());
        qunsetenv("XDG_SESSION_ID");
        QTRY_VERIFY(QDBusConnection::sessionBus().isConnected());
        QTRY_VERIFY(QDBusConnection::systemBus().isConnected());
    }

    void cleanupTestCase()
    {
        for (QProcess *bus : {m_sessionBus.get(), m_systemBus.get()}) {
            if (bus) {
                bus->terminate();
                bus->waitForFinished(5000);
            }
        }
    }

    void screenSaverStateFollowsItsService_data()
    {
        QTest::addColumn<QString>("service");
        QTest::addColumn<QString>("path");
        QTest::newRow("freedesktop") << QStringLiteral("org.freedesktop.ScreenSaver")
                                     << QStringLiteral("/org/freedesktop/ScreenSaver");
        QTest::newRow("freedesktop, short path") << QStringLiteral("org.freedesktop.ScreenSaver")
                                                 << QStringLiteral("/ScreenSaver");
        QTest::newRow("GNOME") << QStringLiteral("org.gnome.ScreenSaver") << QStringLiteral("/org/gnome/ScreenSaver");
    }
    void screenSaverStateFollowsItsService()
    {
        QFETCH(QString, service);
        QFETCH(QString, path);
        ServiceBus owner(serviceConnection(m_sessionAddress));
        QDBusConnection &bus = owner.bus;
        FakeScreenSaver saver;
        saver.active = true;
        QVERIFY(bus.registerObject(path, service, &saver, QDBusConnection::ExportAllSlots));
        QVERIFY(bus.registerService(service));
        auto activeChanged = [&](bool active) {
            emitSignal(bus, path, service, QStringLiteral("ActiveChanged"), {active});
        };

        // Running when the program starts: known from the start-up question.
        DesktopSystemQueries queries;
        QTRY_VERIFY(queries.screenSaverActive());
        activeChanged(false);
        QTRY_VERIFY(!queries.screenSaverActive());
        activeChanged(true);
        QTRY_VERIFY(queries.screenSaverActive());

        // Another program cannot speak for the screen saver.
        ServiceBus other(serviceConnection(m_sessionAddress));
        emitSignal(other.bus, path, service, QStringLiteral("ActiveChanged"), {false});
        QTest::qWait(200);
        QVERIFY(queries.screenSaverActive());
    }

    void noScreenSaverServiceMeansNone()
    {
        DesktopSystemQueries queries;
        QTest::qWait(300);
        QVERIFY(!queries.screenSaverActive());
        QVERIFY(!queries.sessionLocked());
    }

    void lockStateFollowsTheSession_data()
    {
        QTest::addColumn<bool>("knowsPid");
        QTest::newRow("session of this process") << true;
        QTest::newRow("started outside the session") << false;
    }
    void lockStateFollowsTheSession()
    {
        QFETCH(bool, knowsPid);
        ServiceBus owner(serviceConnection(m_systemAddress));
        QDBusConnection &bus = owner.bus;
        FakeLoginManager manager;
        manager.knowsPid = knowsPid;
        FakeLoginSession session;
        session.lockedHint = true;
        QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/login1"), &manager, QDBusConnection::ExportAllSlots));
        QVERIFY(bus.registerObject(manager.sessionPath, &session,
                                   QDBusConnection::ExportAllProperties | QDBusConnection::ExportAllSignals));
        QVERIFY(bus.registerService(QStringLiteral("org.freedesktop.login1")));

        DesktopSystemQueries queries;
        // Locked when the program starts.
        QTRY_VERIFY(queries.sessionLocked());
        QCOMPARE(manager.askedByName, knowsPid ? QStringList{} : QStringList{QStringLiteral("auto")});

        // The screen locker clears the hint on unlocking.
        session.lockedHint = false;
        emitSignal(bus, manager.sessionPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                   QStringLiteral("PropertiesChanged"),
                   {kSessionInterface, QVariantMap{{QStringLiteral("LockedHint"), false}}, QStringList{}});
        QTRY_VERIFY(!queries.sessionLocked());

        // Lock and unlock requests count too.
        emit session.Lock();
        QTRY_VERIFY(queries.sessionLocked());
        emit session.Unlock();
        QTRY_VERIFY(!queries.sessionLocked());

        // A hint only invalidated is asked for again.
        session.lockedHint = true;
        emitSignal(bus, manager.sessionPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                   QStringLiteral("PropertiesChanged"),
                   {kSessionInterface, QVariantMap{}, QStringList{QStringLiteral("LockedHint")}});
        QTRY_VERIFY(queries.sessionLocked());

        // Another session's changes are not this one's.
        emitSignal(bus, QStringLiteral("/org/freedesktop/login1/session/_99"),
                   QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"),
                   {kSessionInterface, QVariantMap{{QStringLiteral("LockedHint"), false}}, QStringList{}});
        QTest::qWait(200);
        QVERIFY(queries.sessionLocked());
    }
};

QTEST_MAIN(TestLifecycleDesktop)
#include "tst_lifecycle_desktop.moc"
