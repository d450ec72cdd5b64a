#include "core/TextRules.h"
#include "platform/KeychainSecretStore.h"
#include "platform/QSettingsAccess.h"
#include "platform/SmtpPasswordStore.h"
#include "support/SecretServiceSession.h"
#include "support/TestEnvironment.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QSettings>
#include <QtTest>

using namespace pellux;

namespace {

const QString Service = QStringLiteral("PelluxNotes-test");

/// Takes every call to the Secret Service and answers none, until told to answer late.
class SilentSecretService : public QDBusVirtualObject
{
public:
    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &) override
    {
        message.setDelayedReply(true);
        pending << message;
        ++calls;
        return true;
    }
    void answerLate(QDBusConnection &connection)
    {
        for (const QDBusMessage &m : std::as_const(pending))
            connection.send(m.createErrorReply(QDBusError::Failed, QStringLiteral("too late")));
        pending.clear();
    }
    QList<QDBusMessage> pending;
    int calls = 0;
};

} // namespace

/**
 * The desktop without a secret store. The bus a process talks to is chosen once, so
 * the cases with no bus at all run first and the one with a bus that never answers
 * runs last.
 */
class TestSecretStoreFallback : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        for (const char *v : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_SESSION_VERSION", "KDE_FULL_SESSION", "DISPLAY"})
            qunsetenv(v);
    }
    void init() { m_env = std::make_unique<test::TestEnvironment>(); }
    void cleanup() { m_env.reset(); }

    void noBus_data();
    void noBus();
    void storeThatNeverAnswers();

private:
    std::unique_ptr<test::TestEnvironment> m_env;
};

void TestSecretStoreFallback::noBus_data()
{
    QTest::addColumn<bool>("deadAddress");
    QTest::newRow("a bus address where nothing listens") << true;
    QTest::newRow("no bus address at all") << false;
}

void TestSecretStoreFallback::noBus()
{
    QFETCH(bool, deadAddress);
    if (deadAddress)
        qputenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + m_env->runtimeDir() + "/no-bus-here").toUtf8());
    else
        qunsetenv("DBUS_SESSION_BUS_ADDRESS"); // and the fresh runtime folder holds no "bus" socket

    KeychainSecretStore store(Service, 20000);
    QElapsedTimer t;
    t.start();
    const SecretResult r = store.readSecret(QStringLiteral("SMTPPassword"));
    QCOMPARE(r.status, SecretResult::Status::Unavailable);
    QVERIFY(!r.error.isEmpty());
    QVERIFY2(t.elapsed() < 15000, "a missing bus is known at once, not by the time-out");

    QSettings file(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("PelluxNotes"));
    file.setValue(QStringLiteral("Settings/SMTPPassword"), HexEncode(QStringLiteral("kept")));
    file.sync();
    QSettingsAccess access(file);
    SmtpPasswordStore seam(store, access);
    QCOMPARE(seam.password(), QStringLiteral("kept"));
    QVERIFY(seam.usingFallback());
    QVERIFY(!seam.fallbackReason().isEmpty());
    QVERIFY(test::TestEnvironment::readFile(m_env->settingsFile()).contains("SMTPPassword=6B657074"));

    seam.setPassword(QStringLiteral("changed"));
    QVERIFY(seam.usingFallback());
    QCOMPARE(QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("PelluxNotes"))
                 .value(QStringLiteral("Settings/SMTPPassword")).toString(),
             HexEncode(QStringLiteral("changed")));
}

void TestSecretStoreFallback::storeThatNeverAnswers()
{
    test::SecretServiceSession session;
    QString error;
    QVERIFY2(session.startBus(&error), qPrintable(error));
    QDBusConnection own = QDBusConnection::connectToBus(session.address(), QStringLiteral("silent-secrets"));
    QVERIFY(own.isConnected());
    SilentSecretService silent;
    QVERIFY(own.registerVirtualObject(QStringLiteral("/org/freedesktop/secrets"), &silent, QDBusConnection::SubPath));
    QVERIFY(own.registerService(QStringLiteral("org.freedesktop.secrets")));
    qputenv("DBUS_SESSION_BUS_ADDRESS", session.address().toUtf8());

    const int timeoutMs = 1500;
    KeychainSecretStore store(Service, timeoutMs);
    QElapsedTimer t;
    t.start();
    const SecretResult r = store.writeSecret(QStringLiteral("SMTPPassword"), QStringLiteral("x"));
    const qint64 took = t.elapsed();
    QCOMPARE(r.status, SecretResult::Status::Unavailable);
    QVERIFY2(r.error.contains(QStringLiteral("did not answer")), qPrintable(r.error));
    QVERIFY2(took >= timeoutMs - 100 && took < timeoutMs + 5000, qPrintable(QString::number(took)));
    QVERIFY(silent.calls > 0); // it was asked, it just never said anything

    QSettings file(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("PelluxNotes"));
    QSettingsAccess access(file);
    SmtpPasswordStore seam(store, access);
    seam.setPassword(QStringLiteral("not lost"));
    QVERIFY(seam.usingFallback());
    QCOMPARE(file.value(QStringLiteral("Settings/SMTPPassword")).toString(), HexEncode(QStringLiteral("not lost")));

    // The abandoned requests finish after all; nothing of the calls that gave up on them is touched.
    silent.answerLate(own);
    QTest::qWait(500);
    silent.answerLate(own);
    QTest::qWait(200);

    own.unregisterService(QStringLiteral("org.freedesktop.secrets"));
    own.unregisterObject(QStringLiteral("/org/freedesktop/secrets"), QDBusConnection::UnregisterTree);
}

QTEST_GUILESS_MAIN(TestSecretStoreFallback)
#include "tst_secretstore_fallback.moc"
