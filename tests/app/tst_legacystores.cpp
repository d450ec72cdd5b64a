// The old stores at start-up: the record store ("NoteFile 3.0"/"3.1") and "Pellux.DAT",
// read once and converted, and the stores found in the folder Pellux was started from.
#include "core/NotePassword.h"
#include "app/FlashMsg.h"
#include "app/NoteWindow.h"
#include "checklists/CheckListProt.h"
#include "core/notefile/BinaryFields.h"
#include "core/notefile/LegacyDat.h"
#include "core/store/StoreWriter.h"
#include "notes/TextNoteProt.h"
#include "panel/NCP.h"
#include "support/FailingSaveFile.h"
#include "support/ProgramFixture.h"

#include <QDir>
#include <QListWidget>
#include <QSet>
#include <QTimer>
#include <QtTest>

using namespace pellux;
using namespace pellux::test;

namespace {

const QByteArray kXmlMark = "<!--Pellux NoteData 4-->";

QByteArray fixture(const QString &name)
{
    return TestEnvironment::readFile(QStringLiteral(PELLUX_FIXTURES "/notefile/") + name);
}

/// An XML store of one note titled \a title.
QByteArray xmlStore(const QString &title)
{
    StoredNote n;
    n.type = QStringLiteral("TextNote");
    n.title = title;
    n.nid = QStringLiteral("TESTPC:01022026:101010:42");
    n.text = title + QStringLiteral(" text");
    n.width = 3000;
    n.height = 2400;
    return WriteNoteStore({n}, PixelScale{15, 15});
}

/// One record of "Pellux.DAT" as the Windows program laid it out.
QByteArray datRecord(const QString &title, const QString &text)
{
    QByteArray rec;
    ByteWriter w(rec);
    w.fixedText(text, 4096);
    w.fixedText(title, 256);
    w.int16(1440);
    w.int16(2880);
    w.bool16(true);
    w.int16(3600);
    w.int16(2400);
    w.raw(QByteArray(12, '\0'));
    w.raw(QByteArray(1, '\0'));
    w.fixedText(QStringLiteral("Arial"), 64);
    w.float32(10.0f);
    w.raw("FFFF");
    w.int32(0);
    w.int32(65535);
    w.bool16(false);
    w.bool16(false);
    w.bool16(false);
    w.raw(QByteArray(int(LegacyDatRecordSize - rec.size()), ' '));
    return rec;
}

QStringList listEntries(Program &program)
{
    QStringList out;
    const QListWidget *list = ncp(program).NoteList;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

QStringList titles(Program &program)
{
    QStringList out;
    for (int i = 1; i <= program.upperBound(); ++i)
        out << (program.note(i) ? program.note(i)->Caption() : QString());
    return out;
}

QStringList setAside(const QString &folder, const QString &name)
{
    return QDir(folder).entryList({name + QStringLiteral(".unreadable-*")}, QDir::Files);
}

} // namespace

class TestLegacyStores : public QObject
{
    Q_OBJECT

private slots:
    // ---- the record store -------------------------------------------------------------

    void pixelStorePlacesByTheScreensFactors_data()
    {
        QTest::addColumn<int>("tppX");
        QTest::addColumn<int>("tppY");
        QTest::newRow("96 DPI") << 15 << 15;
        QTest::newRow("unequal factors") << 12 << 20;
    }

    void pixelStorePlacesByTheScreensFactors()
    {
        QFETCH(int, tppX);
        QFETCH(int, tppY);
        ProgramFixture f;
        f.screen.tppX = tppX;
        f.screen.tppY = tppY;
        f.writeStore(fixture(QStringLiteral("pixels.NoteData")));
        f.start();
        QCOMPARE(f.program->upperBound(), 2);
        NoteWindow *placed = f.program->note(1);
        QVERIFY(placed);
        // Stored at top 100, left 50, 200 x 150 pixels of the screen that wrote it.
        QCOMPARE(placed->Top(), 100 * tppY);
        QCOMPARE(placed->Left(), 50 * tppX);
        QCOMPARE(placed->Width(), 200 * tppX);
        QCOMPARE(placed->Height(), 150 * tppY);
        QCOMPARE(placed->noteType(), QStringLiteral("TextNote30"));
        QCOMPARE(qobject_cast<TextNoteProt *>(placed)->text(), QStringLiteral("in pixels"));
        QVERIFY(placed->Visible());
        QVERIFY(!f.program->notes().entry(1)->isProtected);
    }

    void recordWithPasswordLoadsHiddenAndProtected()
    {
        ProgramFixture f;
        f.writeStore(fixture(QStringLiteral("pixels.NoteData")));
        f.start();
        auto *list = qobject_cast<CheckListProt *>(f.program->note(2));
        QVERIFY(list);
        QVERIFY(!list->Visible());
        QVERIFY(f.program->notes().entry(2)->isProtected);
        // The old store's clear password is kept only as its hash, and that password opens the note.
        QVERIFY(IsNotePasswordHash(list->GetNotePass()));
        QVERIFY(VerifyNotePassword(list->GetNotePass(), QStringLiteral("pw")));
        QCOMPARE(list->noteType(), QStringLiteral("CheckList30"));
        QVERIFY(list->mnuOnTop->isChecked());
        // The stored height 0 gives the list its fitted size when it is next shown.
        QVERIFY(list->ResetSizePending);
        // The file had no identifier for it; the one made now is kept.
        QVERIFY(!list->NoteGUID().isEmpty());
        QCOMPARE(f.program->FindNoteByGUID(list->NoteGUID()), qint16(2));
    }

    void firstStartConvertsAndKeepsTheOldStoreAsBackup()
    {
        ProgramFixture f;
        const QByteArray legacy = fixture(QStringLiteral("pixels.NoteData"));
        f.writeStore(legacy);
        f.start();
        f.program->ShutDown();
        QVERIFY(f.readStore().startsWith(kXmlMark));
        QVERIFY(f.readStore().contains("<title>Placed</title>"));
        QVERIFY(f.readStore().contains("<title>List</title>"));
        QCOMPARE(TestEnvironment::readFile(f.dataFolder() + "Pellux.Backup.NoteData"), legacy);

        // The next start reads the converted store, identifiers and all.
        ProgramFixture again;
        again.writeStore(f.readStore());
        again.start();
        QCOMPARE(titles(*again.program), QStringList({"Placed", "List"}));
        QCOMPARE(again.program->note(1)->NoteGUID(), QStringLiteral("HOME:05062003:101500:01"));
    }

    void damagedRecordStoreKeepsWhatWasReadAndIsSetAside_data()
    {
        QTest::addColumn<QString>("fixtureName");
        QTest::addColumn<QString>("reason");
        QTest::newRow("cut short in a text") << QStringLiteral("truncated.NoteFile")
                                             << QStringLiteral("Record 2 is cut short: the file ends inside its "
                                                               "text note.");
        QTest::newRow("unknown note type") << QStringLiteral("unknown_type.NoteFile")
                                           << QStringLiteral("Record 2 has the unknown note type \"Sketch30\".");
    }

    void damagedRecordStoreKeepsWhatWasReadAndIsSetAside()
    {
        QFETCH(QString, fixtureName);
        QFETCH(QString, reason);
        // A single-note file has the layout of a "NoteFile 3.0" store.
        const QByteArray bytes = fixture(fixtureName);
        ProgramFixture f;
        f.writeStore(bytes);
        f.prompts.answerMessage(MsgResult::Ok);
        f.start();

        QCOMPARE(titles(*f.program), QStringList({"First"}));
        QCOMPARE(listEntries(*f.program), QStringList({"First"}));
        QCOMPARE(f.prompts.asked().size(), 1);
        const QStringList aside = setAside(f.dataFolder(), QStringLiteral("Pellux.NoteData"));
        QCOMPARE(aside.size(), 1);
        QCOMPARE(f.prompts.last().text,
                 QStringLiteral("\"%1\" could not be read to its end.  %2\r\rThe file has been kept as \"%3\" and "
                                "will not be overwritten.  The note read before it has been loaded.")
                     .arg(f.storePath(), reason, f.dataFolder() + aside.first()));
        QCOMPARE(f.prompts.last().icon, MsgIcon::Exclamation);
        QCOMPARE(TestEnvironment::readFile(f.dataFolder() + aside.first()), bytes);

        // The notes read are saved as a new store; the damaged file is never written over.
        QVERIFY(f.program->SaveNotes());
        QVERIFY(f.readStore().contains("<title>First</title>"));
        QCOMPARE(TestEnvironment::readFile(f.dataFolder() + aside.first()), bytes);
    }

    void everyCutOfARecordStoreIsSafe()
    {
        ProgramFixture f;
        f.start();
        const QByteArray whole = fixture(QStringLiteral("pixels.NoteData"));
        const QString path = f.env.root() + "/cut.NoteData";
        for (qsizetype cut = 14; cut < whole.size(); ++cut) {
            QVERIFY(TestEnvironment::writeFile(path, whole.left(cut)));
            f.prompts.clear();
            f.prompts.answerMessage(MsgResult::Ok);
            const int before = f.program->upperBound();
            const bool complete = f.program->LoadRecordStore(path);
            QVERIFY(f.program->upperBound() - before <= 2);
            // Read to its end only at a record's end; a cut file is set aside, never left to be read again.
            QCOMPARE(QFileInfo::exists(path), complete);
            QCOMPARE(f.prompts.asked().size(), complete ? 0 : 1);
            QFile::remove(path);
        }
        // None of it stands in the way of saving the data folder's store.
        QVERIFY(f.program->SaveNotes());
    }

    void recordStoreWithoutItsLineBreakIsSetAside()
    {
        QByteArray bytes = fixture(QStringLiteral("pixels.NoteData"));
        bytes.replace(0, 14, "NoteFile 3.1\n");
        ProgramFixture f;
        f.writeStore(bytes);
        f.prompts.answerMessage(MsgResult::Ok);
        f.start();
        QCOMPARE(f.program->upperBound(), 0);
        QVERIFY(f.prompts.last().text.startsWith(
            QStringLiteral("Pellux.NoteData is in a unknown format.  Notes not loaded.\r\r")));
        const QStringList aside = setAside(f.dataFolder(), QStringLiteral("Pellux.NoteData"));
        QCOMPARE(aside.size(), 1);
        QCOMPARE(TestEnvironment::readFile(f.dataFolder() + aside.first()), bytes);
    }

    // ---- Pellux.DAT --------------------------------------------------------------------

    void datIsConvertedAndDeletedOnceWritten()
    {
        ProgramFixture f;
        const QString dat = f.env.workDir() + "/Pellux.DAT";
        TestEnvironment::writeFile(dat, fixture(QStringLiteral("legacy.DAT")));
        f.start();

        // A never-written record and a blank-titled one are left out without leaving a gap:
        // slots and list entries stay aligned.
        QCOMPARE(f.program->upperBound(), 3);
        QCOMPARE(listEntries(*f.program).size(), 3);
        for (int i = 1; i <= 3; ++i) {
            QVERIFY(f.program->note(i));
            QCOMPARE(listEntries(*f.program).at(i - 1), f.program->note(i)->Caption());
            QCOMPARE(f.program->note(i)->noteType(), QStringLiteral("TextNote30"));
        }
        auto *styled = qobject_cast<TextNoteProt *>(f.program->note(1));
        QCOMPARE(styled->text(), QStringLiteral("Styled text\r\nsecond line"));
        QCOMPARE(styled->noteStyle().fontName, QStringLiteral("Courier New"));
        QCOMPARE(styled->noteStyle().fontSize, 9.75f);
        QVERIFY(styled->noteStyle().bold);
        QVERIFY(styled->noteStyle().underline);
        QVERIFY(!styled->noteStyle().italic);
        QVERIFY(styled->mnuOnTop->isChecked());
        QVERIFY(styled->mnuDynamicTitle->isChecked());
        QCOMPARE(styled->Left(), 2880);
        QCOMPARE(styled->Top(), 1440);

        // An all-NUL font name: the font and colours of a new note.
        QCOMPARE(f.program->note(2)->Caption(), QStringLiteral("Defaults"));
        QCOMPARE(f.program->note(2)->noteStyle(), f.program->noteDefaults().style);
        QVERIFY(f.program->note(2)->mnuRollUp->isChecked());

        QCOMPARE(f.program->note(3)->Caption(), QStringLiteral("Protected"));
        QVERIFY(!f.program->note(3)->Visible());
        QVERIFY(f.program->notes().entry(3)->isProtected);

        // Every note has its own identifier, written into the new store at once.
        QSet<QString> ids;
        for (int i = 1; i <= 3; ++i)
            ids.insert(f.program->note(i)->NoteGUID());
        QCOMPARE(ids.size(), 3);
        QVERIFY(!ids.contains(QString()));
        QVERIFY(f.readStore().startsWith(kXmlMark));
        for (const QString &id : std::as_const(ids))
            QVERIFY(f.readStore().contains(id.toUtf8()));
        QVERIFY(!QFileInfo::exists(dat));
    }

    void manyNotesWithoutIdentifiersDoNotWait()
    {
        ProgramFixture f;
        QByteArray bytes;
        for (int i = 1; i <= 200; ++i)
            bytes += datRecord(QStringLiteral("Note %1").arg(i), QStringLiteral("text %1").arg(i));
        TestEnvironment::writeFile(f.env.workDir() + "/Pellux.DAT", bytes);
        // The load lets pending events run once a note: that is where the banner is seen.
        QString flashed;
        QTimer watch;
        watch.setInterval(0);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (f.program->flash().isShown())
                flashed = f.program->flash().text();
        });
        f.program->LoadSettings();
        watch.start();
        f.program->LoadNotes();
        watch.stop();

        QCOMPARE(flashed, QStringLiteral("Initializing GUIDs (One Time Only)"));
        QVERIFY(!f.program->flash().isShown());
        QCOMPARE(f.program->upperBound(), 200);
        // The clock stands still, so every identifier is made in the same hundredth of a
        // second: none waits, and still no two are equal.
        QCOMPARE(f.clock.waits(), 0);
        QSet<QString> ids;
        for (int i = 1; i <= 200; ++i)
            ids.insert(f.program->note(i)->NoteGUID());
        QCOMPARE(ids.size(), 200);
        QVERIFY(ids.contains(QStringLiteral("TESTPC:10122026:103015:25")));
        QVERIFY(ids.contains(QStringLiteral("TESTPC:10122026:103017:24")));
    }

    void cutShortDatKeepsWhatWasReadAndIsSetAside()
    {
        ProgramFixture f;
        // Two whole records (the second never written), then 100 bytes of the third.
        const QByteArray bytes = fixture(QStringLiteral("legacy.DAT")).left(2 * LegacyDatRecordSize + 100);
        const QString dat = f.env.workDir() + "/Pellux.DAT";
        TestEnvironment::writeFile(dat, bytes);
        f.prompts.answerMessage(MsgResult::Ok);
        f.start();

        QCOMPARE(f.program->upperBound(), 1);
        QCOMPARE(f.prompts.asked().size(), 1);
        const QStringList aside = setAside(f.env.workDir(), QStringLiteral("Pellux.DAT"));
        QCOMPARE(aside.size(), 1);
        QCOMPARE(f.prompts.last().text,
                 QStringLiteral("\"%1\" could not be read to its end.  Record 3 is cut short: the file ends 100 "
                                "bytes into it, and a record has 4,608.\r\rThe file has been kept as \"%2\" and will "
                                "not be overwritten.  The note read before it has been loaded.")
                     .arg(dat, f.env.workDir() + "/" + aside.first()));
        QCOMPARE(TestEnvironment::readFile(f.env.workDir() + "/" + aside.first()), bytes);
        QVERIFY(!QFileInfo::exists(dat));
        // Saving writes the data folder's store only.
        QVERIFY(f.program->SaveNotes());
        QVERIFY(f.readStore().contains("Styled text"));
        QCOMPARE(TestEnvironment::readFile(f.env.workDir() + "/" + aside.first()), bytes);
    }

    // ---- stores in the folder Pellux was started from ---------------------------------

    void workingFolderStoreMovesOnlyIntoAFolderWithoutNotes_data()
    {
        QTest::addColumn<QString>("localName");     // the file in the working folder
        QTest::addColumn<QByteArray>("local");
        QTest::addColumn<QByteArray>("dataStore");  // empty: none in the data folder
        QTest::addColumn<bool>("migrates");
        QTest::addColumn<QStringList>("wantTitles");

        const QByteArray localXml = xmlStore(QStringLiteral("From the folder"));
        const QByteArray dat = datRecord(QStringLiteral("From the DAT"), QStringLiteral("old"));
        const QByteArray mine = xmlStore(QStringLiteral("Mine"));
        const QByteArray noNotes = WriteNoteStore({}, PixelScale{15, 15});
        QTest::newRow("store, no data store") << "Pellux.NoteData" << localXml << QByteArray() << true
                                              << QStringList{"From the folder"};
        QTest::newRow("store, data store without notes") << "Pellux.NoteData" << localXml << noNotes << true
                                                         << QStringList{"From the folder"};
        QTest::newRow("store, data store with notes") << "Pellux.NoteData" << localXml << mine << false
                                                      << QStringList{"Mine"};
        QTest::newRow("old record store, data store with notes")
            << "Pellux.NoteData" << fixture(QStringLiteral("pixels.NoteData")) << mine << false
            << QStringList{"Mine"};
        QTest::newRow("DAT, no data store") << "Pellux.DAT" << dat << QByteArray() << true
                                            << QStringList{"From the DAT"};
        QTest::newRow("DAT, data store with notes") << "Pellux.DAT" << dat << mine << false << QStringList{"Mine"};
        QTest::newRow("DAT, old record store with notes")
            << "Pellux.DAT" << dat << fixture(QStringLiteral("pixels.NoteData")) << false
            << QStringList{"Placed", "List"};
    }

    void workingFolderStoreMovesOnlyIntoAFolderWithoutNotes()
    {
        QFETCH(QString, localName);
        QFETCH(QByteArray, local);
        QFETCH(QByteArray, dataStore);
        QFETCH(bool, migrates);
        QFETCH(QStringList, wantTitles);

        ProgramFixture f;
        const QString localPath = f.env.workDir() + "/" + localName;
        TestEnvironment::writeFile(localPath, local);
        if (!dataStore.isEmpty())
            f.writeStore(dataStore);
        if (!migrates)
            f.prompts.answerMessage(MsgResult::Ok);
        f.start();

        QCOMPARE(titles(*f.program), wantTitles);
        QVERIFY(f.prompts.unexpected().isEmpty());
        if (migrates) {
            QVERIFY(f.prompts.asked().isEmpty());
            QVERIFY(!QFileInfo::exists(localPath));
            QVERIFY(f.readStore().contains(("<title>" + wantTitles.first() + "</title>").toUtf8()));
        } else {
            QCOMPARE(f.prompts.asked().size(), 1);
            QCOMPARE(f.prompts.last().text,
                     QStringLiteral("Pellux did not load \"%1\" from the folder it was started in: your notes in "
                                    "\"%2\" are kept as they are.\r\rThe file has been left alone.")
                         .arg(localPath, f.storePath()));
            QCOMPARE(f.prompts.last().icon, MsgIcon::Information);
            QCOMPARE(TestEnvironment::readFile(localPath), local);
            QCOMPARE(f.readStore(), dataStore);
        }
    }

    void datComesFirstAndTheStoreBesideItIsNamed()
    {
        ProgramFixture f;
        const QString dat = f.env.workDir() + "/Pellux.DAT";
        const QString local = f.env.workDir() + "/Pellux.NoteData";
        const QByteArray localXml = xmlStore(QStringLiteral("From the folder"));
        TestEnvironment::writeFile(dat, datRecord(QStringLiteral("From the DAT"), QStringLiteral("old")));
        TestEnvironment::writeFile(local, localXml);
        f.prompts.answerMessage(MsgResult::Ok);
        f.start();
        QCOMPARE(titles(*f.program), QStringList({"From the DAT"}));
        QVERIFY(!QFileInfo::exists(dat));
        QCOMPARE(TestEnvironment::readFile(local), localXml);
        QCOMPARE(f.prompts.asked().size(), 1);
        QVERIFY(f.prompts.last().text.startsWith(QStringLiteral("Pellux did not load \"%1\" from").arg(local)));
    }

    void bothLeftAloneAreNamedInOneMessage()
    {
        ProgramFixture f;
        const QString dat = f.env.workDir() + "/Pellux.DAT";
        const QString local = f.env.workDir() + "/Pellux.NoteData";
        TestEnvironment::writeFile(dat, datRecord(QStringLiteral("From the DAT"), QStringLiteral("old")));
        TestEnvironment::writeFile(local, xmlStore(QStringLiteral("From the folder")));
        f.writeStore(xmlStore(QStringLiteral("Mine")));
        f.prompts.answerMessage(MsgResult::Ok);
        f.start();
        QCOMPARE(titles(*f.program), QStringList({"Mine"}));
        QCOMPARE(f.prompts.asked().size(), 1);
        QCOMPARE(f.prompts.last().text,
                 QStringLiteral("Pellux did not load \"%1\" and \"%2\" from the folder it was started in: your notes "
                                "in \"%3\" are kept as they are.\r\rThe files have been left alone.")
                     .arg(dat, local, f.storePath()));
    }

    void failedMigrationKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("localName");
        QTest::addColumn<QByteArray>("local");
        QTest::newRow("store") << "Pellux.NoteData" << xmlStore(QStringLiteral("From the folder"));
        QTest::newRow("DAT") << "Pellux.DAT" << datRecord(QStringLiteral("From the DAT"), QStringLiteral("old"));
    }

    void failedMigrationKeepsTheOldFile()
    {
        QFETCH(QString, localName);
        QFETCH(QByteArray, local);
        ProgramFixture f;
        const QString localPath = f.env.workDir() + "/" + localName;
        TestEnvironment::writeFile(localPath, local);
        f.program->saveFileFactory = [](const QString &path) {
            return std::unique_ptr<QSaveFile>(new FailingSaveFile(path, 10));
        };
        f.prompts.answerMessage(MsgResult::Ok);
        f.start();
        QCOMPARE(f.program->upperBound(), 1);
        QVERIFY(f.prompts.last().text.contains(QStringLiteral("could not save your notes")));
        QCOMPARE(TestEnvironment::readFile(localPath), local);
    }
};

QTEST_MAIN(TestLegacyStores)
#include "tst_legacystores.moc"
