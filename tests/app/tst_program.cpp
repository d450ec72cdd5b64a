// Start-up, shutdown and the note store as the program drives them.
#include "core/channel/ControlClient.h"
#include "core/Settings.h"
#include "core/store/StoreFile.h"
#include "core/notefile/NoteFile.h"
#include "app/FlashMsg.h"
#include "app/NoteWindow.h"
#include "notes/TextNoteProt.h"
#include "panel/NCP.h"
#include "support/ClientThread.h"
#include "support/FailingSaveFile.h"
#include "support/ProgramFixture.h"

#include <QListWidget>
#include <QSaveFile>
#include <QSettings>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace pellux;
using namespace pellux::test;

namespace {

const QByteArray kEmptyStore = "<!--Pellux NoteData 4-->\r\n<notedata version=\"4\"/>\r\n";

QByteArray oneNoteStore(const QByteArray &nid = "TESTPC:01022026:101010:42")
{
    return "<!--Pellux NoteData 4-->\r\n<notedata version=\"4\">"
           "<note type=\"TextNote\"><title>Groceries</title><nid>" + nid + "</nid>"
           "<top>100</top><left>200</left><width>240</width><height>180</height>"
           "<visible>True</visible><rollup>False</rollup><ontop>False</ontop>"
           "<pelluxalarm><enabled>False</enabled><sound/><type>0</type><time>12:00:00 AM</time>"
           "<date>12:00:00 AM</date><dow>False,False,False,False,False,False,False</dow></pelluxalarm>"
           "<data>milk\r\neggs</data><dynamictitle>False</dynamictitle>"
           "<font><name>Sans Serif</name><size>10</size><bold>False</bold><italic>False</italic>"
           "<underline>False</underline><strikethru>False</strikethru></font>"
           "<color><fore>#000000</fore><back>#FFFF00</back></color></note></notedata>\r\n";
}

/// A store of \a count text notes, "Note 1" to "Note <count>", each with its own identifier.
QByteArray storeOfNotes(int count)
{
    const QByteArray one = oneNoteStore();
    const qsizetype begin = one.indexOf("<note ");
    const qsizetype end = one.indexOf("</notedata>");
    QByteArray notes;
    for (int i = 1; i <= count; ++i) {
        notes += one.mid(begin, end - begin)
                     .replace("<title>Groceries</title>", "<title>Note " + QByteArray::number(i) + "</title>")
                     .replace(":42</nid>", ":" + QByteArray::number(i) + "</nid>");
    }
    return one.left(begin) + notes + one.mid(end);
}

int modeOf(const QString &path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return int(st.st_mode & 07777);
}

void seedSettings(const QString &key, const QString &value)
{
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("PelluxNotes"));
    s.setValue(key, value);
    s.sync();
}

QString storedSetting(const QString &key)
{
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("PelluxNotes"));
    return s.value(key).toString();
}

} // namespace

class TestProgram : public QObject
{
    Q_OBJECT

private slots:
    void versionText()
    {
        ProgramFixture f;
        QCOMPARE(f.program->VersionText, QStringLiteral("3.2  (Build 155)"));
        QCOMPARE(f.program->ProductName, QStringLiteral("Pellux"));
    }

    void firstRunAsksOnlyTheFirstRunQuestion()
    {
        ProgramFixture f(false);
        f.prompts.answerMessage(MsgResult::No);
        f.program->LoadSettings();
        f.program->CheckVersion();
        QCOMPARE(f.prompts.asked().size(), 1);
        const AskedPrompt &q = f.prompts.last();
        QCOMPARE(q.title, QStringLiteral("Pellux v3.2  (Build 155)"));
        QCOMPARE(q.text, QStringLiteral("Pellux has detected that this is the first time you have ran this version."
                                        "\r\rWould you like to see the Program Options screen now?"));
        QCOMPARE(q.icon, MsgIcon::Information);
        QCOMPARE(q.buttons, MsgButtons::YesNo);
        QCOMPARE(storedSetting("Settings/Version"), QStringLiteral("3.2  (Build 155)"));
        QCOMPARE(ParseSettingDate(storedSetting("Settings/NextUpdateCheck")), f.clock.today().addMonths(3));
        QVERIFY(f.prompts.unexpected().isEmpty());
    }

    void updateQuestion_data()
    {
        QTest::addColumn<QString>("nextCheck");
        QTest::addColumn<bool>("asked");
        const QDate today = FakeClock().today();
        QTest::newRow("due today") << SettingDateText(today) << true;
        QTest::newRow("overdue") << SettingDateText(today.addDays(-40)) << true;
        QTest::newRow("not yet due") << SettingDateText(today.addDays(1)) << false;
        QTest::newRow("unreadable counts as today") << QStringLiteral("someday") << true;
    }

    void updateQuestion()
    {
        QFETCH(QString, nextCheck);
        QFETCH(bool, asked);
        ProgramFixture f;
        seedSettings("Settings/NextUpdateCheck", nextCheck);
        if (asked)
            f.prompts.answerMessage(MsgResult::No);
        f.program->LoadSettings();
        f.program->CheckVersion();
        QCOMPARE(f.prompts.asked().size(), asked ? 1 : 0);
        if (asked) {
            QCOMPARE(f.prompts.last().title, QStringLiteral("Pellux"));
            QCOMPARE(f.prompts.last().text,
                     QStringLiteral("It has been at least 3 months since you've checked for a new version of Pellux."
                                    "\r\rWould you like to check for a new version now?"));
            QCOMPARE(f.prompts.last().icon, MsgIcon::Question);
            // Answering No still moves the date on.
            QCOMPARE(ParseSettingDate(storedSetting("Settings/NextUpdateCheck")), f.clock.today().addMonths(3));
            QVERIFY(f.system.openedUrls.isEmpty());
        } else {
            QCOMPARE(storedSetting("Settings/NextUpdateCheck"), nextCheck);
        }
    }

    void updateQuestionYesOpensTheVersionCheckPage()
    {
        ProgramFixture f;
        seedSettings("Settings/NextUpdateCheck", SettingDateText(f.clock.today()));
        f.prompts.answerMessage(MsgResult::Yes);
        f.program->LoadSettings();
        f.program->CheckVersion();
        QCOMPARE(f.system.openedUrls.size(), 1);
        QVERIFY(f.system.openedUrls.first().toString().endsWith(
            QStringLiteral("checkversion.asp?app=Pellux&vermaj=3&vermin=2&verrev=155")));
    }

    void firstStartCreatesFolderAndEmptyStore()
    {
        ProgramFixture f;
        f.start();
        QVERIFY(QFileInfo(f.dataFolder()).isDir());
        QVERIFY(QFileInfo::exists(f.storePath()));
        QCOMPARE(QFileInfo(f.storePath()).size(), 0);
        QCOMPARE(f.program->DataFolder, f.dataFolder());
        QVERIFY(ncp(*f.program).timers().tmrAutoSave.isActive());
        QVERIFY(ncp(*f.program).timers().tmrWindowCheck.isActive());
        QCOMPARE(f.program->loading, 0);
    }

    void saveWritesTheExactDocumentAndBackup()
    {
        ProgramFixture f;
        f.writeStore(oneNoteStore());
        f.start();
        QCOMPARE(f.program->upperBound(), 1);
        QVERIFY(f.program->SaveNotes());
        QCOMPARE(f.readStore(), oneNoteStore());
        QCOMPARE(TestEnvironment::readFile(f.dataFolder() + "Pellux.Backup.NoteData"), oneNoteStore());
        QCOMPARE(storedSetting("Settings/NotePath"), f.dataFolder());
    }

    void emptyNidsAreRepairedWithoutWaiting()
    {
        // Four notes without an identifier used to cost a second each at start-up.
        ProgramFixture f;
        QByteArray store = storeOfNotes(4);
        for (int i = 1; i <= 4; ++i)
            store.replace("<nid>TESTPC:01022026:101010:" + QByteArray::number(i) + "</nid>", "<nid></nid>");
        f.writeStore(store);
        f.start();
        QCOMPARE(f.clock.waits(), 0);
        QSet<QString> ids;
        for (int i = 1; i <= 4; ++i)
            ids.insert(f.program->note(i)->NoteGUID());
        QCOMPARE(ids.size(), 4);
        QVERIFY(ids.contains(QStringLiteral("TESTPC:10122026:103015:25")));
        QVERIFY(!f.program->flash().isShown());
        QVERIFY(f.program->SaveNotes());
        QVERIFY(f.readStore().contains("<nid>TESTPC:10122026:103015:25</nid>"));
        QVERIFY(!f.readStore().contains("<nid></nid>"));
    }

    void skippedNotesBoxNamesAtMostTen_data()
    {
        QTest::addColumn<int>("skipped");
        QTest::addColumn<int>("named");
        QTest::addColumn<QString>("lastLine");
        QTest::newRow("one") << 1 << 1 << QString();
        QTest::newRow("ten") << 10 << 10 << QString();
        QTest::newRow("eleven") << 11 << 10 << QStringLiteral("and 1 more");
        QTest::newRow("five thousand") << 5000 << 10 << QStringLiteral("and 4990 more");
    }

    void skippedNotesBoxNamesAtMostTen()
    {
        QFETCH(int, skipped);
        QFETCH(int, named);
        QFETCH(QString, lastLine);
        ProgramFixture f;
        QByteArray store = storeOfNotes(skipped + 1);
        for (int i = 1; i <= skipped; ++i) {
            const QByteArray title = "<title>Note " + QByteArray::number(i) + "</title>";
            const qsizetype at = store.lastIndexOf("<note type=\"TextNote\">", store.indexOf(title));
            store.replace(at, 22, "<note type=\"Sketch\">");
        }
        f.writeStore(store);
        f.prompts.answerMessage(MsgResult::Ok);
        f.start();
        QCOMPARE(f.program->upperBound(), 1);
        QCOMPARE(f.prompts.asked().size(), 1);
        const QStringList lines = f.prompts.last().text.split(QLatin1Char('\r'));
        QCOMPARE(lines.first(), QStringLiteral("Some notes in Pellux.NoteData could not be loaded and were left out:"));
        const QStringList names = lines.mid(2).filter(QStringLiteral("Note "));
        QCOMPARE(int(names.size()), named);
        QVERIFY(names.first().startsWith(QStringLiteral("Note 1 (\"Note 1\")")));
        if (!lastLine.isEmpty())
            QCOMPARE(lines.last(), lastLine);
        else
            QVERIFY(lines.last().startsWith(QStringLiteral("Note ")));
    }

    void notesAreClosedToOtherUsers_data()
    {
        QTest::addColumn<bool>("firstStart");
        QTest::newRow("first start") << true;
        QTest::newRow("files of an earlier version") << false;
    }

    void notesAreClosedToOtherUsers()
    {
        QFETCH(bool, firstStart);
        ProgramFixture f;
        const mode_t oldMask = ::umask(022);
        const QString backup = f.dataFolder() + "Pellux.Backup.NoteData";
        if (!firstStart) {
            // As an earlier version left them: readable by everybody.
            f.writeStore(oneNoteStore());
            TestEnvironment::writeFile(backup, oneNoteStore());
            ::chmod(QFile::encodeName(f.dataFolder()).constData(), 0755);
            ::chmod(QFile::encodeName(f.storePath()).constData(), 0644);
            ::chmod(QFile::encodeName(backup).constData(), 0644);
        }
        f.start();
        QCOMPARE(modeOf(f.dataFolder()), 0700);
        QCOMPARE(modeOf(f.storePath()), 0600);
        if (!firstStart)
            QCOMPARE(modeOf(backup), 0600);
        QVERIFY(f.program->SaveNotes());
        QVERIFY(f.program->SaveNotes());
        ::umask(oldMask);
        QCOMPARE(modeOf(f.storePath()), 0600);
        QCOMPARE(modeOf(backup), firstStart ? -1 : 0600);
    }

    void failedSaveKeepsThePreviousStore()
    {
        ProgramFixture f;
        f.writeStore(oneNoteStore());
        f.start();
        static_cast<TextNoteProt *>(f.program->note(1))->setText(QStringLiteral("changed text"));
        f.program->saveFileFactory = [](const QString &path) {
            return std::unique_ptr<QSaveFile>(new FailingSaveFile(path, 40));
        };
        f.prompts.answerMessage(MsgResult::Ok);
        QVERIFY(!f.program->SaveNotes());
        QCOMPARE(f.readStore(), oneNoteStore());
        QCOMPARE(f.prompts.last().icon, MsgIcon::Exclamation);
        QVERIFY(f.prompts.last().text.contains(QStringLiteral("could not save your notes")));
        QVERIFY(f.prompts.last().text.contains(QStringLiteral("No space left on device")));
        // No half-written file is left beside the store.
        const QStringList left = QDir(f.dataFolder()).entryList(QDir::Files | QDir::Hidden);
        for (const QString &name : left)
            QVERIFY2(name == "Pellux.NoteData" || name == "Pellux.Backup.NoteData", qPrintable(name));
        f.program->saveFileFactory = {};
        QVERIFY(f.program->SaveNotes());
        QVERIFY(f.readStore().contains("changed text"));
    }

    void failedLastSaveKeepsTheNotesForTheNextStart_data()
    {
        QTest::addColumn<bool>("terminate");
        QTest::addColumn<bool>("takeThem");
        QTest::newRow("termination, taken back") << true << true;
        QTest::newRow("exit, taken back") << false << true;
        QTest::newRow("termination, declined") << true << false;
    }

    void failedLastSaveKeepsTheNotesForTheNextStart()
    {
        QFETCH(bool, terminate);
        QFETCH(bool, takeThem);
        ProgramFixture f;
        f.writeStore(oneNoteStore());
        f.start();
        static_cast<TextNoteProt *>(f.program->note(1))->setText(QStringLiteral("last words"));
        f.program->saveFileFactory = [](const QString &path) {
            return std::unique_ptr<QSaveFile>(new FailingSaveFile(path, 40));
        };
        if (terminate)
            f.program->TerminateRequested();
        else
            f.program->ShutDown();
        // The program ends, and nothing waits for an answer on the way.
        QCOMPARE(f.endedWith, 0);
        QVERIFY(f.prompts.asked().isEmpty());
        QCOMPARE(f.readStore(), oneNoteStore());
        const QStringList kept = QDir(f.dataFolder()).entryList({"Pellux.Recovery-*.NoteData"}, QDir::Files);
        QCOMPARE(kept.size(), 1);
        const QString recovery = f.dataFolder() + kept.first();
        QVERIFY(TestEnvironment::readFile(recovery).contains("<data>last words</data>"));
        QCOMPARE(modeOf(recovery), 0600);

        f.restart(false);
        f.prompts.answerMessage(takeThem ? MsgResult::Yes : MsgResult::No);
        f.start();
        QCOMPARE(f.prompts.asked().size(), 1);
        QCOMPARE(f.prompts.last().icon, MsgIcon::Question);
        QCOMPARE(f.prompts.last().buttons, MsgButtons::YesNo);
        QCOMPARE(f.prompts.last().text,
                 QStringLiteral("When Pellux last ended it could not save your notes, and kept them in \"%1\" "
                                "instead.\r\rLoad the note from that file in place of the notes loaded now?  (No "
                                "leaves the file as it is; Pellux offers it again at its next start.)")
                     .arg(recovery));
        QCOMPARE(f.program->upperBound(), 1);
        const QString text = static_cast<TextNoteProt *>(f.program->note(1))->text();
        if (takeThem) {
            QCOMPARE(text, QStringLiteral("last words"));
            QVERIFY(f.readStore().contains("<data>last words</data>"));
            QVERIFY(!QFileInfo::exists(recovery));
            QCOMPARE(f.program->loading, 0);
            QVERIFY(ncp(*f.program).timers().tmrAutoSave.isActive());
        } else {
            QCOMPARE(text, QStringLiteral("milk\r\neggs"));
            QVERIFY(QFileInfo::exists(recovery));
        }
    }

    void unreadableStoreIsSetAside_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        QTest::newRow("garbage") << QByteArray("\x01\x02garbage\xff\xfe") << QStringLiteral("unknown format");
        QTest::newRow("truncated") << oneNoteStore().left(300)
                                   << QStringLiteral("Pellux.NoteData could not be read.  The note store is not a "
                                                     "readable XML document (line ");
        QTest::newRow("no root") << QByteArray("<!--Pellux NoteData 4-->\r\n<other/>\r\n")
                                 << QStringLiteral("Pellux.NoteData could not be read.  The note store has no "
                                                   "\"notedata\" element.\r\r");
        QTest::newRow("3.0 with a blank") << QByteArray("NoteFile 3.0 \r\nxx") << QStringLiteral("unknown format");
        QTest::newRow("record store cut short") << QByteArray("NoteFile 3.1\r\nxx")
                                                << QStringLiteral("Record 1 is cut short");
    }

    void unreadableStoreIsSetAside()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        ProgramFixture f;
        f.writeStore(bytes);
        f.prompts.answerMessage(MsgResult::Ok);
        f.start();
        QCOMPARE(f.program->upperBound(), 0);
        QCOMPARE(f.prompts.asked().size(), 1);
        const QString text = f.prompts.last().text;
        QVERIFY2(text.contains(reason), qPrintable(text));
        // The reader's reason is a sentence: it is not wrapped into another one.
        QVERIFY2(!text.contains(QStringLiteral(".).")) && !text.contains(QStringLiteral("..")), qPrintable(text));
        QCOMPARE(f.prompts.last().icon, MsgIcon::Exclamation);
        const QStringList aside = QDir(f.dataFolder()).entryList({"Pellux.NoteData.unreadable-*"}, QDir::Files);
        QCOMPARE(aside.size(), 1);
        QVERIFY(text.contains(aside.first()));
        QCOMPARE(TestEnvironment::readFile(f.dataFolder() + aside.first()), bytes);
        // The next save writes a fresh store and leaves the set-aside file alone.
        QVERIFY(f.program->SaveNotes());
        QCOMPARE(f.readStore(), kEmptyStore);
        QCOMPARE(TestEnvironment::readFile(f.dataFolder() + aside.first()), bytes);
    }

    void unknownFormatMessageWords()
    {
        ProgramFixture f;
        f.writeStore("Something else entirely\r\n");
        f.prompts.answerMessage(MsgResult::Ok);
        f.start();
        QVERIFY(f.prompts.last().text.startsWith(
            QStringLiteral("Pellux.NoteData is in a unknown format.  Notes not loaded.\r\r")));
        QCOMPARE(f.prompts.last().title, QStringLiteral("Pellux"));
    }

    void storeInWorkingDirectoryMigrates()
    {
        ProgramFixture f;
        const QString local = f.env.workDir() + "/Pellux.NoteData";
        TestEnvironment::writeFile(local, oneNoteStore());
        f.start();
        QCOMPARE(f.program->upperBound(), 1);
        QVERIFY(!QFileInfo::exists(local));
        QCOMPARE(f.readStore(), oneNoteStore());
    }

    void terminationBeforeLoadWritesNothing()
    {
        ProgramFixture f;
        f.writeStore(oneNoteStore());
        f.program->LoadSettings();
        f.program->TerminateRequested();
        QCOMPARE(f.endedWith, 0);
        f.program->LoadNotes();
        QCOMPARE(f.readStore(), oneNoteStore());
        QVERIFY(!f.program->storeLoaded());
        QVERIFY(!QFileInfo::exists(f.dataFolder() + "Pellux.Backup.NoteData"));
    }

    void terminationAfterLoadSavesWithoutAsking()
    {
        ProgramFixture f;
        f.writeStore(oneNoteStore());
        f.start();
        static_cast<TextNoteProt *>(f.program->note(1))->setText(QStringLiteral("last words"));
        f.program->TerminateRequested();
        QCOMPARE(f.endedWith, 0);
        QVERIFY(f.readStore().contains("<data>last words</data>"));
        QVERIFY(f.prompts.asked().isEmpty());
        QCOMPARE(f.program->upperBound(), 0);
        QCOMPARE(storedSetting("Settings/WindowState"), QStringLiteral("0"));
        QVERIFY(!ncp(*f.program).timers().tmrAutoSave.isActive());
    }

    void nothingWritesTheStoreWhileAReloadIsUnderWay_data()
    {
        QTest::addColumn<bool>("terminate");
        QTest::newRow("termination") << true;
        QTest::newRow("save") << false;
    }

    void nothingWritesTheStoreWhileAReloadIsUnderWay()
    {
        // A reload lets events run once per note; what runs then must not take the
        // half-built table for the store.
        QFETCH(bool, terminate);
        ProgramFixture f;
        const QByteArray store = storeOfNotes(30);
        f.writeStore(store);
        f.start();
        QCOMPARE(f.program->upperBound(), 30);
        f.program->UnloadNotes();
        bool saved = true;
        int tableThen = -1;
        QTimer::singleShot(0, f.program.get(), [&] {
            tableThen = f.program->upperBound();
            if (terminate)
                f.program->TerminateRequested();
            else
                saved = f.program->SaveNotes();
        });
        f.program->LoadNotes();
        QVERIFY(tableThen >= 0 && tableThen < 30);
        QCOMPARE(f.readStore(), store);
        QVERIFY(!QFileInfo::exists(f.dataFolder() + "Pellux.Backup.NoteData"));
        if (terminate) {
            QCOMPARE(f.endedWith, 0);
            QVERIFY(!f.program->storeLoaded());
        } else {
            QVERIFY(!saved);
            QCOMPARE(f.program->upperBound(), 30);
            QVERIFY(f.program->SaveNotes());
            QCOMPARE(f.readStore(), store);
        }
        QVERIFY(f.prompts.asked().isEmpty());
    }

    void unloadedNotesLeaveTheStoreToTheDisk_data()
    {
        QTest::addColumn<QString>("then");
        QTest::newRow("exit") << QStringLiteral("exit");
        QTest::newRow("termination") << QStringLiteral("terminate");
        QTest::newRow("save") << QStringLiteral("save");
    }

    void unloadedNotesLeaveTheStoreToTheDisk()
    {
        // Between "UnloadNotes" and "LoadNotes" a synchronisation tool delivers the store.
        QFETCH(QString, then);
        ProgramFixture f;
        f.writeStore(oneNoteStore());
        f.start();
        f.program->UnloadNotes();
        const QByteArray delivered = storeOfNotes(3);
        f.writeStore(delivered);
        if (then == "exit") {
            f.program->ShutDown();
            QCOMPARE(f.endedWith, 0);
        } else if (then == "terminate") {
            f.program->TerminateRequested();
            QCOMPARE(f.endedWith, 0);
        } else {
            QVERIFY(!f.program->SaveNotes());
        }
        QCOMPARE(f.readStore(), delivered);
        QVERIFY(!QFileInfo::exists(f.dataFolder() + "Pellux.Backup.NoteData"));
        QVERIFY(f.prompts.asked().isEmpty());
        if (then == "save") {
            f.program->LoadNotes();
            QCOMPARE(f.program->upperBound(), 3);
            QCOMPARE(f.program->note(3)->Caption(), QStringLiteral("Note 3"));
        }
    }

    void shutDownWithOnlySlotZeroWritesTheEmptyStore()
    {
        ProgramFixture f;
        f.start();
        f.program->ShutDown();
        QCOMPARE(f.readStore(), kEmptyStore);
        QCOMPARE(f.endedWith, 0);
    }

    void offScreenPanelComesBackToTheCorner_data()
    {
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("wantTop");
        QTest::addColumn<int>("wantLeft");
        // The fake screen is 1280 x 1024 pixels: 19200 x 15360 twips.
        QTest::newRow("on screen") << 1500 << 3000 << 1500 << 3000;
        QTest::newRow("top equals height") << 15360 << 3000 << 100 << 3000;
        QTest::newRow("left beyond width") << 1500 << 25000 << 1500 << 100;
    }

    void offScreenPanelComesBackToTheCorner()
    {
        QFETCH(int, top);
        QFETCH(int, left);
        QFETCH(int, wantTop);
        QFETCH(int, wantLeft);
        ProgramFixture f;
        seedSettings("Settings/Top", QString::number(top));
        seedSettings("Settings/Left", QString::number(left));
        f.program->LoadSettings();
        QCOMPARE(f.program->settings.Top, wantTop);
        QCOMPARE(f.program->settings.Left, wantLeft);
    }

    void findNoteByGuidSkipsEmptySlots()
    {
        ProgramFixture f;
        f.writeStore(oneNoteStore());
        f.start();
        QCOMPARE(f.program->FindNoteByGUID("TESTPC:01022026:101010:42"), qint16(1));
        QCOMPARE(f.program->FindNoteByGUID("nobody"), qint16(0));
        f.program->growNotes();
        QCOMPARE(f.program->FindNoteByGUID(""), qint16(0));
    }

    void channelCommandsReachTheProgram()
    {
        ProgramFixture f;
        f.writeStore(oneNoteStore());
        f.start();
        QVERIFY(f.program->startControlServer());

        // The client blocks, so it talks from another thread while this one serves.
        auto send = [](const QString &command) {
            return onClientThread([&] {
                ControlClient c(3000);
                return c.open() ? c.execute(command) : ControlClient::Reply::NoAnswer;
            });
        };

        QCOMPARE(send("AreYouThere"), ControlClient::Reply::Accepted);
        QCOMPARE(send("UnloadNotes"), ControlClient::Reply::Accepted);
        QCOMPARE(f.program->upperBound(), 0);
        // Unloaded, the store on disk is the truth: a save writes nothing and says so.
        QCOMPARE(send("SaveNotes"), ControlClient::Reply::Refused);
        QCOMPARE(f.readStore(), oneNoteStore());
        QCOMPARE(send("LoadNotes"), ControlClient::Reply::Accepted);
        QCOMPARE(f.program->upperBound(), 1);
        // Loading over open notes unloads them first, so no window is orphaned.
        QCOMPARE(send("LoadNotes"), ControlClient::Reply::Accepted);
        QCOMPARE(f.program->upperBound(), 1);
        QCOMPARE(ncp(*f.program).NoteList->count(), 1);
        // A note file that cannot be read is refused (the running instance says why).
        f.prompts.answerMessage(MsgResult::Ok);
        QCOMPARE(send("LoadNote|" + f.env.root() + "/missing.NoteFile"), ControlClient::Reply::Refused);
        f.program->loading = 1;
        QCOMPARE(send("AreYouThere"), ControlClient::Reply::Refused);
        f.program->loading = 0;
        QCOMPARE(send("SaveNotes"), ControlClient::Reply::Accepted);
        QCOMPARE(f.readStore(), oneNoteStore());
        // A save that fails (a full disk) is no success: "NAK", and the box comes after the answer.
        f.program->saveFileFactory = [](const QString &path) {
            return std::unique_ptr<QSaveFile>(new FailingSaveFile(path, 40));
        };
        f.prompts.answerMessage(MsgResult::Ok);
        const int asked = int(f.prompts.asked().size());
        QCOMPARE(send("SaveNotes"), ControlClient::Reply::Refused);
        QTRY_COMPARE(int(f.prompts.asked().size()), asked + 1);
        QVERIFY(f.prompts.last().text.contains(QStringLiteral("No space left on device")));
        QCOMPARE(f.readStore(), oneNoteStore());
    }

    void secondStartShowsTheRunningPanel()
    {
        ProgramFixture first;
        first.start();
        QVERIFY(first.program->startControlServer());
        QVERIFY(onClientThread([] { return ControlClient(3000).OpenControlPanel(); }));
        QVERIFY(ncp(*first.program).isVisible());
    }

    void startsWhenTheSharedControlFolderIsTaken_data()
    {
        QTest::addColumn<QString>("planted");
        QTest::newRow("open folder") << QStringLiteral("0777");
        QTest::newRow("link") << QStringLiteral("link");
        QTest::newRow("plain file") << QStringLiteral("file");
    }

    void startsWhenTheSharedControlFolderIsTaken()
    {
        // With no runtime folder the channel lives in the shared temp folder, where any
        // local user can take its name first.
        QFETCH(QString, planted);
        ProgramFixture f;
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        qunsetenv("XDG_RUNTIME_DIR");
        const QString shared = QDir::tempPath() + "/pellux-" + QString::number(::geteuid());
        if (planted == "0777") {
            QVERIFY(QDir().mkpath(shared));
            QCOMPARE(::chmod(QFile::encodeName(shared).constData(), 0777), 0);
        } else if (planted == "link") {
            QVERIFY(QFile::link(f.env.workDir(), shared));
        } else {
            QVERIFY(TestEnvironment::writeFile(shared, "planted"));
        }
        f.writeStore(oneNoteStore());
        QCOMPARE(f.program->Main({}), std::nullopt);
        QCOMPARE(f.program->upperBound(), 1);
        bool answered = false;
        QThread *t = QThread::create([&] { answered = ControlClient(3000).OpenControlPanel(); });
        t->start();
        while (!t->isFinished())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        t->wait();
        delete t;
        qputenv("XDG_RUNTIME_DIR", runtime);
        QVERIFY(answered);
        QVERIFY(!QFileInfo::exists(f.env.workDir() + "/Pellux.Control"));
    }

    void commandLineFileThatDoesNotExist_data()
    {
        QTest::addColumn<QString>("commandLine");
        QTest::newRow("in quotes") << QStringLiteral("\"/no/such dir/a.NoteFile\"");
        QTest::newRow("bare") << QStringLiteral("/no/such dir/a.NoteFile");
    }

    void commandLineFileThatDoesNotExist()
    {
        QFETCH(QString, commandLine);
        ProgramFixture f;
        f.prompts.answerMessage(MsgResult::Ok);
        QCOMPARE(f.program->Main({commandLine}), std::optional<int>(0));
        QCOMPARE(f.prompts.asked().size(), 1);
        QCOMPARE(f.prompts.last().text, QStringLiteral("File Doesn't Exist"));
        QCOMPARE(f.prompts.last().icon, MsgIcon::Exclamation);
        QCOMPARE(f.prompts.last().title, QStringLiteral("Pellux"));
        QVERIFY(!f.program->hasPanel());
    }

    void commandLineFileWithNothingRunningStartsAndImports_data()
    {
        QTest::addColumn<bool>("quoted");
        QTest::newRow("in quotes, blanks in the path") << true;
        QTest::newRow("as separate words") << false;
    }

    void commandLineFileWithNothingRunningStartsAndImports()
    {
        QFETCH(bool, quoted);
        ProgramFixture f;
        f.writeStore(oneNoteStore());
        const QString path = f.env.workDir() + "/my note.NoteFile";
        StoredNote note;
        note.type = QStringLiteral("TextNote");
        note.title = QStringLiteral("Double-clicked");
        note.nid = QStringLiteral("OTHERPC:01022026:090000:01");
        note.text = QStringLiteral("from the file manager");
        TestEnvironment::writeFile(path, WriteNoteFile(note).bytes);
        const QStringList arguments = quoted ? QStringList{"\"" + path + "\""} : path.split(' ');

        QCOMPARE(f.program->Main(arguments), std::nullopt);
        QVERIFY(f.prompts.asked().isEmpty());
        // The store first, then the file, once its notes are there.
        QCOMPARE(f.program->upperBound(), 2);
        QCOMPARE(f.program->note(1)->Caption(), QStringLiteral("Groceries"));
        QCOMPARE(f.program->note(2)->Caption(), QStringLiteral("Double-clicked"));
        QCOMPARE(static_cast<TextNoteProt *>(f.program->note(2))->text(), QStringLiteral("from the file manager"));
        QVERIFY(f.program->note(2)->Visible());
        QVERIFY(ncp(*f.program).isVisible());
        QCOMPARE(f.program->loading, 0);
        // This start is now the instance a second start hands its file to.
        QVERIFY(onClientThread([] { return ControlClient(3000).OpenControlPanel(); }));
    }

    void noteFileHandedOverIsImported_data()
    {
        QTest::addColumn<bool>("loading");
        QTest::newRow("running") << false;
        QTest::newRow("refused while loading") << true;
    }

    void noteFileHandedOverIsImported()
    {
        QFETCH(bool, loading);
        ProgramFixture f;
        f.writeStore(oneNoteStore());
        f.start();
        QVERIFY(f.program->startControlServer());
        const QString path = f.env.root() + "/handed over.NoteFile";
        StoredNote note;
        note.type = QStringLiteral("CheckList");
        note.title = QStringLiteral("Handed over");
        note.rows = {CheckRow{true, QStringLiteral("done")}};
        TestEnvironment::writeFile(path, WriteNoteFile(note).bytes);
        f.program->loading = loading ? 1 : 0;

        const ControlClient::HandOver handOver =
            onClientThread([&] { return ControlClient(3000).SendDDERequest(path); });

        if (loading) {
            QVERIFY(!handOver.instanceAnswered);
            QCOMPARE(f.program->upperBound(), 1);
            return;
        }
        QVERIFY(handOver.instanceAnswered);
        QCOMPARE(handOver.loadNote, ControlClient::Reply::Accepted);
        QCOMPARE(f.program->upperBound(), 2);
        QCOMPARE(f.program->note(2)->Caption(), QStringLiteral("Handed over"));
        QVERIFY(f.prompts.asked().isEmpty());
    }
};

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
