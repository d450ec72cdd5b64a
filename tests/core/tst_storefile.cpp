#include "core/store/StoreFile.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QtTest>

using namespace pellux;

namespace {

/// A save file whose disk "fills up" after a given number of bytes.
class FailingSaveFile : public QSaveFile
{
public:
    FailingSaveFile(const QString &path, qint64 bytesBeforeFailure)
        : QSaveFile(path), m_left(bytesBeforeFailure) {}

protected:
    qint64 writeData(const char *data, qint64 len) override
    {
        if (m_left <= 0) {
            setErrorString(QStringLiteral("No space left on device (simulated)"));
            return -1;
        }
        const qint64 n = qMin(len, m_left);
        m_left -= n;
        return QSaveFile::writeData(data, n);
    }

private:
    qint64 m_left;
};

/// Fails only for the one path given, writes every other file normally.
SaveFileFactory failingFor(const QString &failingPath, qint64 bytesBeforeFailure)
{
    return [=](const QString &path) -> std::unique_ptr<QSaveFile> {
        if (path == failingPath)
            return std::make_unique<FailingSaveFile>(path, bytesBeforeFailure);
        return std::make_unique<QSaveFile>(path);
    };
}

const QByteArray OldStore = "<!--Pellux NoteData 4-->\r\n<notedata version=\"4\"><note type=\"TextNote\"/></notedata>\r\n";
const QByteArray NewStore = "<!--Pellux NoteData 4-->\r\n<notedata version=\"4\"/>\r\n";
const QByteArray OldBackup = "the backup before";

} // namespace

class TestStoreFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_env.reset(); }

    void writesAndBacksUp_data();
    void writesAndBacksUp();
    void failedWriteKeepsOldStore_data();
    void failedWriteKeepsOldStore();
    void failedBackupKeepsOldBackupAndStillSaves();
    void factoryGivingNothingIsAFailure();
    void unwritableFolderIsReported();
    void createsMissingFolder();

    void setAsideUnreadable();
    void setAsideNeverOverwrites();
    void setAsideMissingFile();
    void setAsideStampCannotLeaveTheFolder();

private:
    QString dir() const { return m_env->dataHome() + QStringLiteral("/Pellux"); }
    QString store() const { return dir() + QLatin1Char('/') + StoreFileName; }
    QString backup() const { return dir() + QLatin1Char('/') + BackupFileName; }
    QStringList files() const { return QDir(dir()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

    std::unique_ptr<test::TestEnvironment> m_env;
};

void TestStoreFile::init()
{
    m_env = std::make_unique<test::TestEnvironment>();
    QVERIFY(QDir().mkpath(dir()));
}

void TestStoreFile::writesAndBacksUp_data()
{
    QTest::addColumn<QByteArray>("existing");   // empty: no store file at all
    QTest::addColumn<bool>("storeExists");
    QTest::addColumn<bool>("makeBackup");
    QTest::addColumn<QByteArray>("backupAfter"); // empty: no backup file

    QTest::newRow("backup of the old store") << OldStore << true << true << OldStore;
    QTest::newRow("no backup asked") << OldStore << true << false << OldBackup;
    QTest::newRow("first save, nothing to back up") << QByteArray() << false << true << OldBackup;
    QTest::newRow("empty old store does not wipe the backup") << QByteArray() << true << true << OldBackup;
}

void TestStoreFile::writesAndBacksUp()
{
    QFETCH(QByteArray, existing);
    QFETCH(bool, storeExists);
    QFETCH(bool, makeBackup);
    QFETCH(QByteArray, backupAfter);
    if (storeExists)
        QVERIFY(test::TestEnvironment::writeFile(store(), existing));
    QVERIFY(test::TestEnvironment::writeFile(backup(), OldBackup));

    const StoreWriteResult r = WriteStoreFile(store(), NewStore, backup(), makeBackup);
    QVERIFY2(r.ok, qPrintable(r.error));
    QVERIFY(r.error.isEmpty());
    QCOMPARE(test::TestEnvironment::readFile(store()), NewStore);
    QCOMPARE(test::TestEnvironment::readFile(backup()), backupAfter);
    QCOMPARE(files(), QStringList({BackupFileName, StoreFileName}));
}

void TestStoreFile::failedWriteKeepsOldStore_data()
{
    QTest::addColumn<qint64>("bytesBeforeFailure");
    QTest::newRow("nothing written") << qint64(0);
    QTest::newRow("part written") << qint64(10);
    QTest::newRow("all but the last byte") << qint64(NewStore.size() - 1);
}

void TestStoreFile::failedWriteKeepsOldStore()
{
    QFETCH(qint64, bytesBeforeFailure);
    QVERIFY(test::TestEnvironment::writeFile(store(), OldStore));

    const StoreWriteResult r = WriteStoreFile(store(), NewStore, backup(), true, failingFor(store(), bytesBeforeFailure));
    QVERIFY(!r.ok);
    QVERIFY(!r.error.isEmpty());
    QCOMPARE(test::TestEnvironment::readFile(store()), OldStore);
    // The backup was made before the failed write and holds the same old store.
    QCOMPARE(test::TestEnvironment::readFile(backup()), OldStore);
    // No temporary file is left behind.
    QCOMPARE(files(), QStringList({BackupFileName, StoreFileName}));
}

void TestStoreFile::failedBackupKeepsOldBackupAndStillSaves()
{
    QVERIFY(test::TestEnvironment::writeFile(store(), OldStore));
    QVERIFY(test::TestEnvironment::writeFile(backup(), OldBackup));

    const StoreWriteResult r = WriteStoreFile(store(), NewStore, backup(), true, failingFor(backup(), 5));
    QVERIFY2(r.ok, "a failed backup copy is ignored");
    QCOMPARE(test::TestEnvironment::readFile(store()), NewStore);
    QCOMPARE(test::TestEnvironment::readFile(backup()), OldBackup);
    QCOMPARE(files(), QStringList({BackupFileName, StoreFileName}));
}

void TestStoreFile::factoryGivingNothingIsAFailure()
{
    QVERIFY(test::TestEnvironment::writeFile(store(), OldStore));
    const StoreWriteResult r =
        WriteStoreFile(store(), NewStore, backup(), false, [](const QString &) { return std::unique_ptr<QSaveFile>(); });
    QVERIFY(!r.ok);
    QVERIFY(!r.error.isEmpty());
    QCOMPARE(test::TestEnvironment::readFile(store()), OldStore);
}

void TestStoreFile::unwritableFolderIsReported()
{
    // The "folder" is a file, so nothing can be created in it (whoever runs the test).
    const QString blocker = dir() + QStringLiteral("/not-a-folder");
    QVERIFY(test::TestEnvironment::writeFile(blocker, "x"));
    const StoreWriteResult r = WriteStoreFile(blocker + QLatin1Char('/') + StoreFileName, NewStore,
                                              blocker + QLatin1Char('/') + BackupFileName, true);
    QVERIFY(!r.ok);
    QVERIFY(!r.error.isEmpty());
    QCOMPARE(test::TestEnvironment::readFile(blocker), QByteArray("x"));
}

void TestStoreFile::createsMissingFolder()
{
    const QString deeper = dir() + QStringLiteral("/Brackwel Systems/Pellux/") + StoreFileName;
    const StoreWriteResult r = WriteStoreFile(deeper, NewStore, QString(), false);
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(test::TestEnvironment::readFile(deeper), NewStore);
}

void TestStoreFile::setAsideUnreadable()
{
    QVERIFY(test::TestEnvironment::writeFile(store(), "garbage"));
    const QString moved = SetAsideUnreadableStore(store(), QStringLiteral("20260307-150409"));
    QCOMPARE(moved, dir() + QStringLiteral("/Pellux.NoteData.unreadable-20260307-150409"));
    QVERIFY(!QFile::exists(store()));
    QCOMPARE(test::TestEnvironment::readFile(moved), QByteArray("garbage"));
}

void TestStoreFile::setAsideNeverOverwrites()
{
    const QString taken = dir() + QStringLiteral("/Pellux.NoteData.unreadable-S");
    QVERIFY(test::TestEnvironment::writeFile(taken, "first"));
    QVERIFY(test::TestEnvironment::writeFile(taken + QStringLiteral("-2"), "second"));
    QVERIFY(test::TestEnvironment::writeFile(store(), "third"));

    const QString moved = SetAsideUnreadableStore(store(), QStringLiteral("S"));
    QCOMPARE(moved, taken + QStringLiteral("-3"));
    QCOMPARE(test::TestEnvironment::readFile(taken), QByteArray("first"));
    QCOMPARE(test::TestEnvironment::readFile(taken + QStringLiteral("-2")), QByteArray("second"));
    QCOMPARE(test::TestEnvironment::readFile(moved), QByteArray("third"));
}

void TestStoreFile::setAsideMissingFile()
{
    QVERIFY(SetAsideUnreadableStore(store(), QStringLiteral("S")).isEmpty());
}

void TestStoreFile::setAsideStampCannotLeaveTheFolder()
{
    QVERIFY(test::TestEnvironment::writeFile(store(), "x"));
    const QString moved = SetAsideUnreadableStore(store(), QStringLiteral("../../up"));
    QCOMPARE(QFileInfo(moved).absolutePath(), dir());
    QCOMPARE(QFileInfo(moved).fileName(), QStringLiteral("Pellux.NoteData.unreadable-..-..-up"));
}

QTEST_GUILESS_MAIN(TestStoreFile)
#include "tst_storefile.moc"
