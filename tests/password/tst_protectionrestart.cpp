// Protection outlives the program: the store keeps a hash of each password (never the
// password), a protected note comes back hidden and asks for exactly its password, the
// real program carries the hash through a SIGTERM, older stores load unprotected, and
// the password is found in no file the program writes.

#include "panel/PanelTestSupport.h"

#include "app/NoteWindow.h"
#include "core/NotePassword.h"
#include "core/notefile/LegacyDat.h"
#include "core/store/StoreStreamReader.h"
#include "panel/frmPelluxMenu.h"

#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QtTest>

#include <csignal>

using namespace pellux;
using namespace pellux::test;

namespace {

const QString kDiaryPassword = QStringLiteral("Zebra-42x");
const QString kListPassword = QStringLiteral("Otter#17");

/// Protects the note in \a slot through its menu, as the user does.
void protectFromMenu(ProgramFixture &f, int slot, const QString &password)
{
    f.prompts.answerMessage(MsgResult::Yes);
    f.prompts.answerPassword(password);
    f.prompts.answerMessage(MsgResult::Ok);
    f.program->note(slot)->mnuPassword->trigger();
    QCOMPARE(f.prompts.last().text, QStringLiteral("Password Set"));
}

/// The texts of every "passwordhash" element of a store, in order.
QStringList hashesIn(const QByteArray &store)
{
    QStringList out;
    const QRegularExpression re(QStringLiteral("<passwordhash>([^<]*)</passwordhash>"));
    for (const QRegularExpressionMatch &m : re.globalMatch(QString::fromUtf8(store)))
        out << m.captured(1);
    return out;
}

/// Every form in which a password could sit in a file: as typed, in UTF-16, as hex digits.
QList<QByteArray> formsOf(const QString &password)
{
    const QByteArray utf8 = password.toUtf8();
    QByteArray utf16(reinterpret_cast<const char *>(password.utf16()), password.size() * 2);
    return {utf8, utf16, utf8.toHex().toUpper(), utf8.toHex()};
}

/// The files under \a folders whose name or content holds any form of \a password.
QStringList filesHolding(const QStringList &folders, const QString &password)
{
    QStringList found;
    for (const QString &folder : folders) {
        QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QByteArray bytes = TestEnvironment::readFile(path);
            for (const QByteArray &form : formsOf(password)) {
                if (bytes.contains(form) || path.contains(password)) {
                    found << path;
                    break;
                }
            }
        }
    }
    return found;
}

/// Runs the real program on the fixture's folders until it is up, then ends it with SIGTERM.
void runRealProgramUntilSigterm(const ProgramFixture &f)
{
    {
        // No start-up question in the real program's own locale: the update check is years away.
        QSettings s(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("PelluxNotes"));
        s.setValue(QStringLiteral("Settings/NextUpdateCheck"), QStringLiteral("6/1/2099"));
        s.sync();
    }
    QProcess p;
    // The test's environment already points settings, data, runtime and temp at the fixture.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("en_US.UTF-8"));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(f.env.workDir());
    p.start(QStringLiteral(PELLUX_BIN_DIR "/pellux"), QStringList());
    QVERIFY(p.waitForStarted(10000));
    const QString socket = f.env.runtimeDir() + QStringLiteral("/Pellux.Control");
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(socket) || p.state() == QProcess::NotRunning, 30000);
    QVERIFY2(p.state() == QProcess::Running, p.readAllStandardError().constData());
    ::kill(pid_t(p.processId()), SIGTERM);
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
}

bool trayItemShown(Program &program, int slot)
{
    const QAction *item = ncp(program).trayMenu().mnuNoteList(slot);
    return item && item->isVisible() && item->isEnabled();
}

} // namespace

class TestProtectionRestart : public QObject
{
    Q_OBJECT

private slots:
    void survivesSaveSigtermAndRestart()
    {
        if (!QFileInfo::exists(QStringLiteral(PELLUX_BIN_DIR "/pellux")))
            QSKIP("the pellux program is not built");
        ProgramFixture f;
        startWith(f, {textNote(QStringLiteral("Open")), textNote(QStringLiteral("Diary"), QStringLiteral("dear diary")),
                      checkList(QStringLiteral("List"))});
        protectFromMenu(f, 2, kDiaryPassword);
        protectFromMenu(f, 3, kListPassword);
        QVERIFY(f.program->SaveNotes());
        const QStringList hashes = hashesIn(f.readStore());
        QCOMPARE(hashes.size(), 2);
        QVERIFY(VerifyNotePassword(hashes.at(0), kDiaryPassword));
        QVERIFY(VerifyNotePassword(hashes.at(1), kListPassword));

        // Saved while shown, a protected note still comes back hidden.
        f.restart();
        QVERIFY(f.program->note(1)->Visible());
        QVERIFY(!f.program->note(2)->Visible());
        QVERIFY(!f.program->note(3)->Visible());
        QVERIFY(f.prompts.asked().isEmpty());

        // The real program loads the store and saves it again when it is terminated.
        f.program.reset();
        flushDeletes();
        runRealProgramUntilSigterm(f);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(hashesIn(f.readStore()), hashes);

        f.restart();
        Program &program = *f.program;
        for (int slot : {2, 3}) {
            NoteWindow *w = program.note(slot);
            QVERIFY(!w->Visible());
            QVERIFY(w->mnuPassword->isChecked());
            QVERIFY(program.notes().entry(slot)->isProtected);
            // What the search and the panel's refusals go by.
            QVERIFY(!w->GetNotePass().isEmpty());
            QVERIFY(!trayItemShown(program, slot));
            NCP &p = ncp(program);
            select(p, slot);
            QCOMPARE(p.lblProtect->text(), QStringLiteral("Protected"));
            QVERIFY(!p.cmdSHAll->isEnabled());
        }
        QVERIFY(trayItemShown(program, 1));
        program.hub().ShowAllNotes();
        QVERIFY(!program.note(2)->Visible());
        QVERIFY(f.prompts.asked().isEmpty());

        // Only its own password shows a note.
        f.prompts.answerPassword(kListPassword);
        f.prompts.answerMessage(MsgResult::Ok);
        program.hub().ShowNote(2);
        QVERIFY(!program.note(2)->Visible());
        QCOMPARE(f.prompts.last().text, QStringLiteral("Invalid Password!"));
        f.prompts.answerPassword(kDiaryPassword);
        program.hub().ShowNote(2);
        QVERIFY(program.note(2)->Visible());
        f.prompts.answerPassword(kListPassword);
        program.hub().ShowNote(3);
        QVERIFY(program.note(3)->Visible());
        QVERIFY(f.prompts.unexpected().isEmpty());
        QVERIFY(program.SaveNotes());
        program.SaveSettings();

        const QStringList folders{f.env.dataHome(), f.env.configHome(), f.env.tempDir()};
        // The search itself finds what is there: the note's text is in the store.
        QVERIFY(filesHolding(folders, QStringLiteral("dear diary")).contains(f.storePath()));
        for (const QString &password : {kDiaryPassword, kListPassword})
            QCOMPARE(filesHolding(folders, password), QStringList());
    }

    void storeWithoutHashesLoadsEveryNoteUnprotected()
    {
        ProgramFixture f;
        f.writeStore(TestEnvironment::readFile(QStringLiteral(PELLUX_FIXTURES "/store/exact.NoteData")));
        f.start();
        QVERIFY(f.program->upperBound() > 0);
        const StoreReadResult stored = ReadNoteStore(f.readStore(), f.program->pixelScale(), NoteDefaults());
        for (int slot = 1; slot <= f.program->upperBound(); ++slot) {
            NoteWindow *w = f.program->note(slot);
            QVERIFY(w->GetNotePass().isEmpty());
            QVERIFY(!w->mnuPassword->isChecked());
            QVERIFY(!f.program->notes().entry(slot)->isProtected);
            QCOMPARE(w->Visible(), stored.notes.at(slot - 1).visible);
        }
        QVERIFY(f.prompts.asked().isEmpty());
        // Saved again, it stays a store without the element.
        QVERIFY(f.program->SaveNotes());
        QVERIFY(!f.readStore().contains("passwordhash"));
    }

    void unreadableHashLeavesTheNoteHiddenAndSaysSo_data()
    {
        QTest::addColumn<QString>("hash");
        QTest::newRow("a clear password") << "secret";
        QTest::newRow("cut short") << "$argon2id$v=19$m=65536,t=2,p=1$c2FsdA";
        QTest::newRow("another algorithm")
            << "$argon2i$v=19$m=32768,t=4,p=1$c2FsdHNhbHRzYWx0c2FsdA$aGFzaGhhc2hoYXNoaGFzaGhhc2hoYXNoaGFzaGhhc2g";
    }

    void unreadableHashLeavesTheNoteHiddenAndSaysSo()
    {
        QFETCH(QString, hash);
        ProgramFixture f;
        QByteArray store = storeWith({textNote(QStringLiteral("Open")), textNote(QStringLiteral("Diary"))});
        // The second note ends with the element.
        const qsizetype last = store.lastIndexOf("</note>");
        store.insert(last, "<passwordhash>" + hash.toUtf8() + "</passwordhash>");
        f.writeStore(store);
        f.start();
        NoteWindow *w = f.program->note(2);
        // Kept protected it could never be opened again: unprotected, but hidden.
        QVERIFY(!w->Visible());
        QVERIFY(w->GetNotePass().isEmpty());
        QVERIFY(!f.program->notes().entry(2)->isProtected);
        QVERIFY(f.program->note(1)->Visible());
        QCOMPARE(f.prompts.asked().size(), 1);
        QCOMPARE(f.prompts.last().icon, MsgIcon::Exclamation);
        QVERIFY(f.prompts.last().text.contains(QLatin1String("no longer protected")));
        QVERIFY(f.prompts.last().text.contains(QLatin1String("\"Diary\"")));
        QVERIFY(!f.prompts.last().text.contains(QLatin1String("\"Open\"")));
        f.program->hub().ShowNote(2);
        QVERIFY(w->Visible());
        QVERIFY(f.program->SaveNotes());
        QVERIFY(!f.readStore().contains("passwordhash"));
    }

    void legacyPasswordsAreKeptOnlyAsTheirHash()
    {
        // What the loader of an old store does with the clear password it reads.
        ProgramFixture f;
        f.start();
        const BinaryReadResult legacy = ReadLegacyDat(
            TestEnvironment::readFile(QStringLiteral(PELLUX_FIXTURES "/notefile/legacy.DAT")), f.program->noteDefaults());
        QVERIFY(legacy.complete());
        QString clear;
        for (const ImportedNote &imported : legacy.notes) {
            const int slot = f.program->upperBound() + 1;
            NoteWindow *w = f.program->noteKind(NoteKind::TextNote)->fromStored(*f.program, imported.note, slot);
            QVERIFY(w);
            if (!imported.password.isEmpty()) {
                clear = imported.password;
                QVERIFY(w->SetNotePass(imported.password));
                w->hide();
            } else {
                w->show();
            }
        }
        QVERIFY(!clear.isEmpty());
        QVERIFY(f.program->SaveNotes());
        QVERIFY(!f.readStore().contains(clear.toUtf8()));
        QCOMPARE(hashesIn(f.readStore()).size(), 1);

        f.restart();
        int protectedSlot = 0;
        for (int slot = 1; slot <= f.program->upperBound(); ++slot) {
            if (f.program->notes().entry(slot)->isProtected)
                protectedSlot = slot;
        }
        QVERIFY(protectedSlot > 0);
        NoteWindow *w = f.program->note(protectedSlot);
        QVERIFY(!w->Visible());
        f.prompts.answerPassword(clear);
        w->ShowNote();
        QVERIFY(w->Visible());
    }
};

QTEST_MAIN(TestProtectionRestart)
#include "tst_protectionrestart.moc"
