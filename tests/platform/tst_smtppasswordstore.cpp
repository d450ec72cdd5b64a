#include "core/TextRules.h"
#include "platform/QSettingsAccess.h"
#include "platform/SmtpPasswordStore.h"
#include "support/FakeSecretStore.h"
#include "support/TestEnvironment.h"

#include <QSettings>
#include <QtTest>

using namespace pellux;

namespace {

/// The production settings file, as a second program would read it.
QSettings settingsFile()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("PelluxNotes"));
}

} // namespace

class TestSmtpPasswordStore : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_env = std::make_unique<test::TestEnvironment>();
        m_store = test::FakeSecretStore();
    }
    void cleanup() { m_env.reset(); }

    void firstRead_data();
    void firstRead();
    void movedOnlyOnce();
    void storeComesBack();
    void setPassword_data();
    void setPassword();
    void fallbackIsKnownBeforeAnyRead();

private:
    std::unique_ptr<test::TestEnvironment> m_env;
    test::FakeSecretStore m_store;
};

void TestSmtpPasswordStore::firstRead_data()
{
    QTest::addColumn<QString>("fileHex");        // "-" for no key at all
    QTest::addColumn<QString>("stored");         // "-" for nothing in the secret store
    QTest::addColumn<bool>("available");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("keyLeftInFile");
    QTest::addColumn<QString>("storedAfter");
    QTest::addColumn<bool>("fallback");

    QTest::newRow("hex in the file moves into the store") << "616263" << "-" << true << "abc" << false << "abc" << false;
    QTest::newRow("no store: the hex stays in use") << "616263" << "-" << false << "abc" << true << "-" << true;
    QTest::newRow("the file's copy is the newer one") << "6E6577" << "old" << true << "new" << false << "new" << false;
    QTest::newRow("only the store has it") << "-" << "abc" << true << "abc" << false << "abc" << false;
    QTest::newRow("an empty value is no password, not a deletion") << "" << "abc" << true << "abc" << true << "abc" << false;
    QTest::newRow("nothing anywhere") << "-" << "-" << true << "" << false << "-" << false;
    QTest::newRow("nothing reachable") << "-" << "-" << false << "" << false << "-" << true;
    const QString wide = QStringLiteral("pässwörd€ 12345678901234");
    QTest::newRow("a long password beyond 8 bits") << HexEncode(wide) << "-" << true << wide << false << wide << false;
}

void TestSmtpPasswordStore::firstRead()
{
    QFETCH(QString, fileHex);
    QFETCH(QString, stored);
    QFETCH(bool, available);
    QFETCH(QString, password);
    QFETCH(bool, keyLeftInFile);
    QFETCH(QString, storedAfter);
    QFETCH(bool, fallback);

    QSettings file = settingsFile();
    file.setValue(QStringLiteral("Settings/SMTPServer"), QStringLiteral("mail.example.org"));
    if (fileHex != QLatin1String("-"))
        file.setValue(QStringLiteral("Settings/SMTPPassword"), fileHex);
    file.sync();
    if (stored != QLatin1String("-"))
        m_store.secrets.insert(QStringLiteral("SMTPPassword"), stored);
    m_store.available = available;

    QSettingsAccess access(file);
    SmtpPasswordStore seam(m_store, access);
    QCOMPARE(seam.password(), password);
    QCOMPARE(seam.usingFallback(), fallback);
    QCOMPARE(seam.fallbackReason().isEmpty(), !fallback);

    // What is on disk now, read afresh.
    const QByteArray onDisk = test::TestEnvironment::readFile(m_env->settingsFile());
    QCOMPARE(onDisk.contains("SMTPPassword"), keyLeftInFile);
    QVERIFY(onDisk.contains("SMTPServer=mail.example.org"));
    if (storedAfter == QLatin1String("-"))
        QVERIFY(!m_store.secrets.contains(QStringLiteral("SMTPPassword")));
    else
        QCOMPARE(m_store.secrets.value(QStringLiteral("SMTPPassword")), storedAfter);
}

void TestSmtpPasswordStore::movedOnlyOnce()
{
    QSettings file = settingsFile();
    file.setValue(QStringLiteral("Settings/SMTPPassword"), QStringLiteral("616263"));
    QSettingsAccess access(file);
    SmtpPasswordStore seam(m_store, access);
    QCOMPARE(seam.password(), QStringLiteral("abc"));
    QCOMPARE(seam.password(), QStringLiteral("abc"));
    QCOMPARE(m_store.writes, 1);
}

void TestSmtpPasswordStore::storeComesBack()
{
    QSettings file = settingsFile();
    QSettingsAccess access(file);
    SmtpPasswordStore seam(m_store, access);
    m_store.available = false;
    seam.setPassword(QStringLiteral("typed while away"));
    QVERIFY(seam.usingFallback());
    QCOMPARE(file.value(QStringLiteral("Settings/SMTPPassword")).toString(), HexEncode(QStringLiteral("typed while away")));
    QCOMPARE(seam.password(), QStringLiteral("typed while away"));

    m_store.available = true;
    QCOMPARE(seam.password(), QStringLiteral("typed while away"));
    QVERIFY(!seam.usingFallback());
    QVERIFY(!file.contains(QStringLiteral("Settings/SMTPPassword")));
    QCOMPARE(m_store.secrets.value(QStringLiteral("SMTPPassword")), QStringLiteral("typed while away"));
}

void TestSmtpPasswordStore::setPassword_data()
{
    QTest::addColumn<bool>("available");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("fileAfter");     // "-" for no key
    QTest::addColumn<QString>("storedAfter");   // "-" for nothing
    QTest::addColumn<bool>("fallback");

    QTest::newRow("into the store, out of the file") << true << "new" << "-" << "new" << false;
    QTest::newRow("no store: into the file, hex") << false << "new" << "6E6577" << "old" << true;
    QTest::newRow("empty removes it everywhere") << true << "" << "-" << "-" << false;
    QTest::newRow("empty with no store still clears the file") << false << "" << "-" << "old" << true;
}

void TestSmtpPasswordStore::setPassword()
{
    QFETCH(bool, available);
    QFETCH(QString, password);
    QFETCH(QString, fileAfter);
    QFETCH(QString, storedAfter);
    QFETCH(bool, fallback);

    QSettings file = settingsFile();
    file.setValue(QStringLiteral("Settings/SMTPPassword"), QStringLiteral("6F6C64"));
    m_store.secrets.insert(QStringLiteral("SMTPPassword"), QStringLiteral("old"));
    m_store.available = available;
    QSettingsAccess access(file);
    SmtpPasswordStore seam(m_store, access);
    seam.setPassword(password);
    QCOMPARE(seam.usingFallback(), fallback);

    const QSettings reread = settingsFile();
    if (fileAfter == QLatin1String("-"))
        QVERIFY(!reread.contains(QStringLiteral("Settings/SMTPPassword")));
    else
        QCOMPARE(reread.value(QStringLiteral("Settings/SMTPPassword")).toString(), fileAfter);
    if (storedAfter == QLatin1String("-"))
        QVERIFY(!m_store.secrets.contains(QStringLiteral("SMTPPassword")));
    else
        QCOMPARE(m_store.secrets.value(QStringLiteral("SMTPPassword")), storedAfter);
}

void TestSmtpPasswordStore::fallbackIsKnownBeforeAnyRead()
{
    QSettings file = settingsFile();
    QSettingsAccess access(file);
    m_store.available = false;
    SmtpPasswordStore seam(m_store, access);
    QVERIFY(seam.usingFallback());
    QCOMPARE(m_store.reads, 1);
    QVERIFY(!seam.fallbackReason().isEmpty());
}

QTEST_GUILESS_MAIN(TestSmtpPasswordStore)
#include "tst_smtppasswordstore.moc"
