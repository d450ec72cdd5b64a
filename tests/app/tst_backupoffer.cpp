// A store that cannot be read while its backup can: the backup is offered, and kept
// safe from the saves of an empty start.
#include "app/Program.h"
#include "core/store/StoreStreamReader.h"
#include "core/store/StoreWriter.h"
#include "notes/NoteProc.h"
#include "panel/NCP.h"
#include "support/ProgramFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QtTest>

using namespace pellux;
using namespace pellux::test;

namespace {

QByteArray storeOf(int count, const QString &prefix = QStringLiteral("Note"))
{
    QList<StoredNote> notes;
    for (int i = 1; i <= count; ++i) {
        StoredNote n;
        n.type = QStringLiteral("TextNote");
        n.title = QStringLiteral("%1 %2").arg(prefix).arg(i);
        n.nid = QStringLiteral("HOST:10122026:103000:%1").arg(i, 3, 10, QLatin1Char('0'));
        n.left = 1500;
        n.top = 1500;
        n.width = 3000;
        n.height = 2350;
        n.visible = false;
        n.text = QStringLiteral("Text %1").arg(i);
        notes.append(n);
    }
    return WriteNoteStore(notes, PixelScale{15, 15});
}

int notesIn(const QByteArray &store)
{
    const StoreReadResult read = ReadNoteStore(store, PixelScale{15, 15}, NoteDefaults{});
    return read.ok ? int(read.notes.size()) : -1;
}

/// The backup, written at a known moment.
void writeBackup(ProgramFixture &f, const QByteArray &bytes)
{
    const QString path = f.dataFolder() + QStringLiteral("Pellux.Backup.NoteData");
    QVERIFY(TestEnvironment::writeFile(path, bytes));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime(QDate(2026, 12, 9), QTime(18, 5)), QFileDevice::FileModificationTime));
}

QString backupPath(const ProgramFixture &f)
{
    return f.dataFolder() + QStringLiteral("Pellux.Backup.NoteData");
}

} // namespace

class tst_BackupOffer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void unreadableStoreOffersTheBackup_data();
    void unreadableStoreOffersTheBackup();
    void noBackupToOfferTellsAsBefore_data();
    void noBackupToOfferTellsAsBefore();
    void declinedBackupSurvivesTheSavesOfAnEmptyStart();
};

void tst_BackupOffer::unreadableStoreOffersTheBackup_data()
{
    QTest::addColumn<QByteArray>("store");
    QTest::addColumn<MsgResult>("answer");
    QTest::newRow("garbage, yes") << QByteArray("\x01\x02garbage\xff\xfe") << MsgResult::Yes;
    QTest::newRow("garbage, no") << QByteArray("\x01\x02garbage\xff\xfe") << MsgResult::No;
    QTest::newRow("truncated, yes") << storeOf(5, QStringLiteral("Lost")).left(700) << MsgResult::Yes;
    QTest::newRow("truncated, no") << storeOf(5, QStringLiteral("Lost")).left(700) << MsgResult::No;
}

void tst_BackupOffer::unreadableStoreOffersTheBackup()
{
    QFETCH(QByteArray, store);
    QFETCH(MsgResult, answer);
    ProgramFixture f;
    f.writeStore(store);
    writeBackup(f, storeOf(12));
    f.prompts.answerMessage(answer);
    f.start();

    QCOMPARE(f.prompts.asked().size(), 1);
    const AskedPrompt &asked = f.prompts.last();
    QCOMPARE(asked.text, QStringLiteral("Pellux.NoteData could not be read and was set aside as "
                                        "Pellux.NoteData.unreadable-20261210-103015. The backup of 12/9/26 6:05 PM "
                                        "holds 12 notes. Load the backup?"));
    QCOMPARE(asked.buttons, MsgButtons::YesNo);
    QCOMPARE(asked.icon, MsgIcon::Question);
    QCOMPARE(asked.title, QStringLiteral("Pellux"));

    const QString aside = f.dataFolder() + QStringLiteral("Pellux.NoteData.unreadable-20261210-103015");
    QCOMPARE(TestEnvironment::readFile(aside), store);
    if (answer == MsgResult::Yes) {
        QCOMPARE(f.program->upperBound(), 12);
        QCOMPARE(f.program->notes().entry(12)->title, QStringLiteral("Note 12"));
        // The loaded backup becomes the store at once, without waiting for a save.
        QTRY_COMPARE_WITH_TIMEOUT(notesIn(f.readStore()), 12, 2500);
    } else {
        QCOMPARE(f.program->upperBound(), 0);
    }
    QVERIFY(f.program->SaveNotes());
    QCOMPARE(notesIn(f.readStore()), answer == MsgResult::Yes ? 12 : 0);
    // Whatever the answer, the set-aside file and the backup are as they were.
    QCOMPARE(TestEnvironment::readFile(aside), store);
    QCOMPARE(notesIn(TestEnvironment::readFile(backupPath(f))), 12);
}

void tst_BackupOffer::noBackupToOfferTellsAsBefore_data()
{
    QTest::addColumn<QByteArray>("backup");
    QTest::newRow("no backup") << QByteArray();
    QTest::newRow("unreadable backup") << QByteArray("<!--Pellux NoteData 4-->\r\n<notedata version=\"4\"><note");
    QTest::newRow("backup without notes") << storeOf(0);
}

void tst_BackupOffer::noBackupToOfferTellsAsBefore()
{
    QFETCH(QByteArray, backup);
    ProgramFixture f;
    f.writeStore(QByteArray("\x01\x02garbage"));
    if (!backup.isEmpty())
        writeBackup(f, backup);
    f.prompts.answerMessage(MsgResult::Ok);
    f.start();
    QCOMPARE(f.prompts.asked().size(), 1);
    QCOMPARE(f.prompts.last().buttons, MsgButtons::Ok);
    QVERIFY(f.prompts.last().text.startsWith(QStringLiteral("Pellux.NoteData is in a unknown format.")));
    QCOMPARE(f.program->upperBound(), 0);
}

void tst_BackupOffer::declinedBackupSurvivesTheSavesOfAnEmptyStart()
{
    ProgramFixture f;
    f.writeStore(QByteArray("garbage"));
    const QByteArray good = storeOf(40);
    writeBackup(f, good);
    f.prompts.answerMessage(MsgResult::No);
    f.start();
    QCOMPARE(f.program->upperBound(), 0);

    // One note added and saved twice: the backup still holds the 40 notes.
    ncp(*f.program).chkDynamicTitle->setChecked(false);
    f.prompts.answerInput(QStringLiteral("Fresh"));
    QString title;
    QVERIFY(NoteProc::NewTextNote(*f.program, title));
    QVERIFY(f.program->SaveNotes());
    QVERIFY(f.program->SaveNotes());
    QCOMPARE(notesIn(f.readStore()), 1);
    QCOMPARE(TestEnvironment::readFile(backupPath(f)), good);

    // A start that loads notes again goes back to the usual backups.
    f.restart();
    QCOMPARE(f.program->upperBound(), 1);
    QVERIFY(f.program->SaveNotes());
    QCOMPARE(notesIn(TestEnvironment::readFile(backupPath(f))), 1);
}

QTEST_MAIN(tst_BackupOffer)
#include "tst_backupoffer.moc"
