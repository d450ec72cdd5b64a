// Desktop notifications through org.freedesktop.Notifications, against a fake
// notification server on a private session bus. The fake runs in this process,
// on this thread: it can only answer once the notifier has returned to the event
// loop, so a notifier that waited for its answers would hang here.

// The fake for the alarm windows' tests is built here, beside what it stands in for.
#include "platform/FakeDesktopNotifier.h"
#include "platform/FreedesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusError>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace pellux;

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

class FakeNotificationServer : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList capabilities{QStringLiteral("body")};
    bool answersCapabilities = true;

    struct Received
    {
        QString appName;
        uint replacesId;
        QString icon;
        QString summary;
        QString body;
        QStringList actions;
        int expireTimeout;
    };
    QList<Received> received;

public slots:
    QStringList GetCapabilities()
    {
        if (!answersCapabilities)
            sendErrorReply(QDBusError::UnknownMethod, QStringLiteral("No such method"));
        return capabilities;
    }
    uint Notify(const QString &appName, uint replacesId, const QString &icon, const QString &summary,
                const QString &body, const QStringList &actions, const QVariantMap &hints, int expireTimeout)
    {
        Q_UNUSED(hints);
        received.append({appName, replacesId, icon, summary, body, actions, expireTimeout});
        return 40 + uint(received.size());
    }
};

/// The fake server's own bus connection; it leaves the bus, name and all, with its scope.
struct ServiceBus
{
    QDBusConnection bus;
    explicit ServiceBus(const QDBusConnection &connection)
        : bus(connection)
    {
    }
    ~ServiceBus() { QDBusConnection::disconnectFromBus(bus.name()); }
};

} // namespace

class TestDesktopNotifier : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QProcess m_bus;
    QString m_address;

private slots:
    void initTestCase()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            QSKIP("dbus-daemon is not installed (package dbus)");
        QVERIFY(m_dir.isValid());
        const QString socket = m_dir.filePath(QStringLiteral("session"));
        m_address = QStringLiteral("unix:path=") + socket;
        m_bus.start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                             QStringLiteral("--address=") + m_address});
        QVERIFY(m_bus.waitForStarted(5000));
        QTRY_VERIFY(QFile::exists(socket));
        // The notifier's session bus is made on first use, from this.
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toUtf8());
        QTRY_VERIFY(QDBusConnection::sessionBus().isConnected());
        QCoreApplication::setApplicationName(QStringLiteral("Pellux"));
    }

    void cleanupTestCase()
    {
        if (m_bus.state() != QProcess::NotRunning) {
            m_bus.terminate();
            m_bus.waitForFinished(5000);
        }
    }

    void notificationArrives_data()
    {
        QTest::addColumn<QStringList>("capabilities");
        QTest::addColumn<bool>("answersCapabilities");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("bodyArriving");

        const QString alarm = QStringLiteral("Once @ 9:05 AM on 12/6/2026 (No Sound)");
        const QString marked = QStringLiteral("R&D <b>plans</b>\nRepeat @ 5:30 PM on M F");
        QTest::newRow("plain text") << QStringList{"body"} << true << QStringLiteral("Pellux Alarm: Dentist")
                                    << alarm << alarm;
        QTest::newRow("server reads markup: escaped")
            << QStringList{"body", "body-markup"} << true << QStringLiteral("R&D <b>plans</b>") << marked
            << QStringLiteral("R&amp;D &lt;b&gt;plans&lt;/b&gt;\nRepeat @ 5:30 PM on M F");
        QTest::newRow("server shows text as it is") << QStringList{"body"} << true
                                                    << QStringLiteral("R&D <b>plans</b>") << marked << marked;
        QTest::newRow("server without capabilities") << QStringList{} << false << QStringLiteral("Pellux Alarm: x")
                                                     << marked << marked;
    }
    void notificationArrives()
    {
        QFETCH(QStringList, capabilities);
        QFETCH(bool, answersCapabilities);
        QFETCH(QString, summary);
        QFETCH(QString, body);
        QFETCH(QString, bodyArriving);
        ServiceBus owner(QDBusConnection::connectToBus(m_address, QStringLiteral("notification-server")));
        FakeNotificationServer server;
        server.capabilities = capabilities;
        server.answersCapabilities = answersCapabilities;
        QVERIFY(owner.bus.registerObject(kPath, &server, QDBusConnection::ExportAllSlots));
        QVERIFY(owner.bus.registerService(kService));

        FreedesktopNotifier notifier;
        QSignalSpy posted(&notifier, &FreedesktopNotifier::posted);
        QSignalSpy notPosted(&notifier, &FreedesktopNotifier::notPosted);
        notifier.notify(summary, body);
        // Nothing has been answered yet: the call went out and the window thread went on.
        QVERIFY(server.received.isEmpty());
        QVERIFY(posted.isEmpty());

        QTRY_COMPARE(server.received.size(), 1);
        const FakeNotificationServer::Received &got = server.received.constFirst();
        QCOMPARE(got.summary, summary);
        QCOMPARE(got.body, bodyArriving);
        QCOMPARE(got.appName, QStringLiteral("Pellux"));
        QCOMPARE(got.replacesId, 0u);
        QCOMPARE(got.actions, QStringList{});
        QCOMPARE(got.expireTimeout, -1);
        QTRY_COMPARE(posted.size(), 1);
        QCOMPARE(posted.constFirst().constFirst().toUInt(), 41u);
        QVERIFY(notPosted.isEmpty());
    }

    void nothingWhereNoOneShowsThem_data()
    {
        QTest::addColumn<bool>("withBus");
        QTest::newRow("no notification service") << true;
        QTest::newRow("no session bus") << false;
    }
    void nothingWhereNoOneShowsThem()
    {
        QFETCH(bool, withBus);
        // Quietly: a desktop without notifications is no fault of the user's.
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
        std::unique_ptr<FreedesktopNotifier> notifier;
        if (withBus) {
            notifier = std::make_unique<FreedesktopNotifier>();
        } else {
            const QDBusConnection none = QDBusConnection::connectToBus(
                QStringLiteral("unix:path=") + m_dir.filePath(QStringLiteral("no-bus-here")), QStringLiteral("none"));
            QVERIFY(!none.isConnected());
            notifier = std::make_unique<FreedesktopNotifier>(none);
        }
        QSignalSpy posted(notifier.get(), &FreedesktopNotifier::posted);
        QSignalSpy notPosted(notifier.get(), &FreedesktopNotifier::notPosted);
        QElapsedTimer wall;
        wall.start();
        notifier->notify(QStringLiteral("Pellux Alarm: Dentist"), QStringLiteral("Once @ 9:05 AM"));
        QVERIFY(wall.elapsed() < 100);
        QTRY_COMPARE_WITH_TIMEOUT(notPosted.size(), 1, 2000);
        qInfo("not posted after %lld ms: %s", wall.elapsed(), qPrintable(notPosted.constFirst().constFirst().toString()));
        QVERIFY(posted.isEmpty());
    }
};

QTEST_MAIN(TestDesktopNotifier)
#include "tst_desktopnotifier.moc"
