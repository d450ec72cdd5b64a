// The real program, started as a process in a private profile: start-up, a second
// start, pellux-send, and the ways it ends.
#include "core/notefile/NoteFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

const QByteArray kEmptyStore = "<!--Pellux NoteData 4-->\r\n<notedata version=\"4\"/>\r\n";

/// A private profile: settings, data and runtime folders, and the environment that points at them.
class Profile
{
public:
    Profile()
    {
        for (const char *d : {"config", "data", "runtime", "tmp", "work"})
            QDir().mkpath(m_dir.filePath(QLatin1String(d)));
        QFile::setPermissions(m_dir.filePath("runtime"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        // No start-up question: this version has run before and the update check is months away.
        QFile conf(m_dir.filePath("config/PelluxNotes.conf"));
        if (conf.open(QIODevice::WriteOnly))
            conf.write("[Settings]\nVersion=3.2  (Build 155)\nNextUpdateCheck=6/1/2099\n");
    }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", m_dir.filePath("config"));
        env.insert("XDG_DATA_HOME", m_dir.filePath("data"));
        env.insert("XDG_RUNTIME_DIR", m_dir.filePath("runtime"));
        env.insert("TMPDIR", m_dir.filePath("tmp"));
        env.insert("LANG", "en_US.UTF-8");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        return env;
    }

    QString storePath() const { return m_dir.filePath("data/Brackwel Systems/Pellux/Pellux.NoteData"); }
    QString socketPath() const { return m_dir.filePath("runtime/Pellux.Control"); }
    QString workDir() const { return m_dir.filePath("work"); }

    QByteArray store() const
    {
        QFile f(storePath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    void start(QProcess &p, const QStringList &args = {}) const
    {
        p.setProcessEnvironment(environment());
        p.setWorkingDirectory(workDir());
        p.start(QStringLiteral(PELLUX_BIN_DIR "/pellux"), args);
    }

    /// Starts the program and waits until its channel is open (the store has loaded).
    bool startRunning(QProcess &p, const QStringList &args = {}) const
    {
        start(p, args);
        if (!p.waitForStarted(10000))
            return false;
        QElapsedTimer t;
        t.start();
        while (!QFileInfo::exists(socketPath()) && t.elapsed() < 20000) {
            if (p.state() == QProcess::NotRunning)
                return false;
            QTest::qWait(50);
        }
        return QFileInfo::exists(socketPath());
    }

    int send(const QString &command) const
    {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.start(QStringLiteral(PELLUX_BIN_DIR "/pellux-send"), {command});
        p.waitForFinished(20000);
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

private:
    QTemporaryDir m_dir;
};

/// The store as "SaveNotes" writes it now.
QByteArray saved(const Profile &profile)
{
    return profile.send(QStringLiteral("SaveNotes")) == 0 ? profile.store() : QByteArray();
}

void writeNoteFile(const QString &path, const QString &title)
{
    pellux::StoredNote note;
    note.type = QStringLiteral("TextNote");
    note.title = title;
    note.text = QStringLiteral("text of ") + title;
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(pellux::WriteNoteFile(note).bytes);
}

bool endsWithin(QProcess &p, int ms)
{
    return p.waitForFinished(ms) && p.exitStatus() == QProcess::NormalExit;
}

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!QFileInfo::exists(QStringLiteral(PELLUX_BIN_DIR "/pellux")))
            QSKIP("the pellux program is not built");
    }

    void firstStartThenSigtermWritesTheEmptyStore()
    {
        Profile profile;
        QProcess p;
        QVERIFY(profile.startRunning(p));
        QVERIFY(QFileInfo::exists(profile.storePath()));
        QCOMPARE(profile.store(), QByteArray());
        ::kill(pid_t(p.processId()), SIGTERM);
        QVERIFY(endsWithin(p, 20000));
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(profile.store(), kEmptyStore);
    }

    void secondStartHandsOverAndEnds()
    {
        Profile profile;
        QProcess first;
        QVERIFY(profile.startRunning(first));
        QProcess second;
        profile.start(second);
        QVERIFY(endsWithin(second, 20000));
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(first.state(), QProcess::Running);
        ::kill(pid_t(first.processId()), SIGTERM);
        QVERIFY(endsWithin(first, 20000));
    }

    void noteFileOpenedWhileClosedStartsPelluxWithIt()
    {
        Profile profile;
        const QString path = profile.workDir() + "/from the file manager.NoteFile";
        writeNoteFile(path, QStringLiteral("Opened while closed"));
        QProcess p;
        // As a file manager starts it for a double-clicked file: nothing else is running.
        QVERIFY(profile.startRunning(p, {path}));
        QTRY_VERIFY_WITH_TIMEOUT(saved(profile).contains("<title>Opened while closed</title>"), 20000);
        QCOMPARE(p.state(), QProcess::Running);
        ::kill(pid_t(p.processId()), SIGTERM);
        QVERIFY(endsWithin(p, 20000));
        QVERIFY(profile.store().contains("<title>Opened while closed</title>"));
        // The file itself is only read.
        QVERIFY(QFileInfo::exists(path));
    }

    void secondStartWithAFileHandsItOver()
    {
        Profile profile;
        QProcess first;
        QVERIFY(profile.startRunning(first));
        const QString path = profile.workDir() + "/handed.NoteFile";
        writeNoteFile(path, QStringLiteral("Handed over"));
        QProcess second;
        profile.start(second, {path});
        QVERIFY(endsWithin(second, 20000));
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(saved(profile).contains("<title>Handed over</title>"));
        ::kill(pid_t(first.processId()), SIGTERM);
        QVERIFY(endsWithin(first, 20000));
    }

    void pelluxSendDrivesTheRunningProgram()
    {
        Profile profile;
        QProcess p;
        QVERIFY(profile.startRunning(p));
        QCOMPARE(profile.send("AreYouThere"), 0);
        QCOMPARE(profile.send("NoSuchCommand"), 1);
        QCOMPARE(profile.send("SaveNotes"), 0);
        QCOMPARE(profile.store(), kEmptyStore);
        QFile::remove(profile.storePath());
        QCOMPARE(profile.send("Exit"), 0);
        QVERIFY(endsWithin(p, 20000));
        QCOMPARE(p.exitCode(), 0);
        // Exit runs the orderly shutdown, which writes the store.
        QCOMPARE(profile.store(), kEmptyStore);
        QCOMPARE(profile.send("AreYouThere"), 2);
    }

    void sigtermDuringTheFirstRunQuestionWritesNothing()
    {
        Profile profile;
        QProcessEnvironment env = profile.environment();
        QFile::remove(env.value("XDG_CONFIG_HOME") + "/PelluxNotes.conf");
        QProcess p;
        profile.start(p);
        QVERIFY(p.waitForStarted(10000));
        // The instance lock is taken before the settings load and the question; by then
        // the program handles SIGTERM itself.
        const QString lock = env.value("XDG_RUNTIME_DIR") + "/Pellux.Control.lock";
        QElapsedTimer t;
        t.start();
        while (!QFileInfo::exists(lock) && t.elapsed() < 20000)
            QTest::qWait(50);
        QVERIFY(QFileInfo::exists(lock));
        QTest::qWait(300);
        QCOMPARE(p.state(), QProcess::Running);
        ::kill(pid_t(p.processId()), SIGTERM);
        QVERIFY(endsWithin(p, 20000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(!QFileInfo::exists(profile.storePath()));
    }
};

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
