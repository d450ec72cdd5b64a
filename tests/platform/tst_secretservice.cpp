#include "core/TextRules.h"
#include "platform/KeychainSecretStore.h"
#include "platform/QSettingsAccess.h"
#include "platform/SmtpPasswordStore.h"
#include "support/SecretServiceSession.h"
#include "support/TestEnvironment.h"

#include <QSettings>
#include <QtTest>

using namespace pellux;

namespace {

const QString Service = QStringLiteral("PelluxNotes-test");

} // namespace

// QtKeychain's Secret Service backend leaves the body of every password it reads
// allocated (a GVariant made by GDBus's message parser on its worker thread). It is
// not ours to free; the sanitizer build reads this list at start.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:g_dbus_message_new_from_blob\n";
}

/// QtKeychain against a real Secret Service (gnome-keyring) on a private bus.
class TestSecretService : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_env = std::make_unique<test::TestEnvironment>();
        // A desktop's own variables would steer QtKeychain to another backend.
        for (const char *v : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_SESSION_VERSION", "KDE_FULL_SESSION", "DISPLAY"})
            qunsetenv(v);
        QString error;
        QVERIFY2(m_session.startKeyring(&error), qPrintable(error));
        // Before anything in this process touches the session bus.
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_session.address().toUtf8());
    }
    void cleanupTestCase() { m_env.reset(); }

    void setGetDelete_data();
    void setGetDelete();
    void hexSettingMovesIntoTheStore();

private:
    test::SecretServiceSession m_session;
    std::unique_ptr<test::TestEnvironment> m_env;
};

void TestSecretService::setGetDelete_data()
{
    QTest::addColumn<QString>("secret");
    QTest::newRow("plain") << "s3cret";
    QTest::newRow("beyond 8 bits and long") << "pässwörd € 日本語 with blanks and more than twelve";
}

void TestSecretService::setGetDelete()
{
    QFETCH(QString, secret);
    KeychainSecretStore store(Service, 15000);
    const int before = m_session.defaultCollectionItems();
    QVERIFY(before >= 0);

    SecretResult r = store.writeSecret(QStringLiteral("SMTPPassword"), secret);
    QVERIFY2(r.ok(), qPrintable(r.error));
    QCOMPARE(m_session.defaultCollectionItems(), before + 1);
    r = store.readSecret(QStringLiteral("SMTPPassword"));
    QVERIFY2(r.ok(), qPrintable(r.error));
    QCOMPARE(r.secret, secret);

    QVERIFY(store.writeSecret(QStringLiteral("SMTPPassword"), QStringLiteral("second")).ok());
    QCOMPARE(store.readSecret(QStringLiteral("SMTPPassword")).secret, QStringLiteral("second"));
    QCOMPARE(m_session.defaultCollectionItems(), before + 1); // replaced, not added

    QVERIFY(store.deleteSecret(QStringLiteral("SMTPPassword")).ok());
    QCOMPARE(m_session.defaultCollectionItems(), before);
    QCOMPARE(store.readSecret(QStringLiteral("SMTPPassword")).status, SecretResult::Status::NotFound);
    r = store.deleteSecret(QStringLiteral("SMTPPassword"));
    QVERIFY2(r.answered(), qPrintable(r.error));
    QCOMPARE(m_session.defaultCollectionItems(), before);
}

void TestSecretService::hexSettingMovesIntoTheStore()
{
    QSettings file(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("PelluxNotes"));
    file.setValue(QStringLiteral("Settings/SMTPUserID"), QStringLiteral("pellux"));
    file.setValue(QStringLiteral("Settings/SMTPPassword"), HexEncode(QStringLiteral("from the file")));
    file.sync();
    QVERIFY(test::TestEnvironment::readFile(m_env->settingsFile()).contains("SMTPPassword"));

    KeychainSecretStore store(Service, 15000);
    QSettingsAccess access(file);
    SmtpPasswordStore seam(store, access);
    QCOMPARE(seam.password(), QStringLiteral("from the file"));
    QVERIFY2(!seam.usingFallback(), qPrintable(seam.fallbackReason()));

    const QByteArray onDisk = test::TestEnvironment::readFile(m_env->settingsFile());
    QVERIFY(!onDisk.contains("SMTPPassword"));
    QVERIFY(onDisk.contains("SMTPUserID=pellux"));
    QCOMPARE(store.readSecret(QStringLiteral("SMTPPassword")).secret, QStringLiteral("from the file"));

    // A fresh start finds it in the store.
    SmtpPasswordStore again(store, access);
    QCOMPARE(again.password(), QStringLiteral("from the file"));
    seam.setPassword(QString());
    QCOMPARE(store.readSecret(QStringLiteral("SMTPPassword")).status, SecretResult::Status::NotFound);
}

QTEST_GUILESS_MAIN(TestSecretService)
#include "tst_secretservice.moc"
