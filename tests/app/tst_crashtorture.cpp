// The real program with a 1,000-note store, killed with SIGKILL at random moments while
// it saves (the channel's "SaveNotes" and the quick save after a change), again and
// again: after every kill the store must read and hold the notes of just before or just
// after that save, and no temporary file may be left beside it.
#include "core/notefile/NoteFile.h"
#include "core/store/StoreStreamReader.h"
#include "core/store/StoreWriter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using namespace pellux;

namespace {

constexpr int Notes = 1000;
constexpr int Kills = 100;
/// A machine too busy for all the kills in time stops here and says how many it did.
constexpr qint64 BudgetMs = 60000;
constexpr int MinKills = 5;
/// With fewer kills than this, landing on both sides of a save is left to chance.
constexpr int BothSidesKills = 20;

class Profile
{
public:
    Profile()
    {
        for (const char *d : {"config", "data", "runtime", "tmp", "work", "files"})
            QDir().mkpath(m_dir.filePath(QLatin1String(d)));
        QFile::setPermissions(m_dir.filePath("runtime"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
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

    QString dataFolder() const { return m_dir.filePath("data/Brackwel Systems/Pellux"); }
    QString storePath() const { return dataFolder() + QStringLiteral("/Pellux.NoteData"); }
    QString socketPath() const { return m_dir.filePath("runtime/Pellux.Control"); }
    QString filePath(const QString &name) const { return m_dir.filePath(QStringLiteral("files/") + name); }
    QString workDir() const { return m_dir.filePath("work"); }

private:
    QTemporaryDir m_dir;
};

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

/// The identifiers in the store; nullopt when it does not read.
std::optional<QSet<QString>> storedIds(const QString &path)
{
    const StoreReadResult read = ReadNoteStore(readFile(path), PixelScale{15, 15}, NoteDefaults{});
    if (!read.ok || !read.skipped.isEmpty())
        return std::nullopt;
    QSet<QString> ids;
    for (const StoredNote &n : read.notes)
        ids.insert(n.nid);
    return ids;
}

QByteArray bigStore()
{
    QList<StoredNote> notes;
    for (int i = 1; i <= Notes; ++i) {
        StoredNote n;
        n.type = i % 2 ? QStringLiteral("TextNote") : QStringLiteral("CheckList");
        n.title = QStringLiteral("Note %1").arg(i);
        n.nid = QStringLiteral("TORTURE:10122026:103000:%1").arg(i, 4, 10, QLatin1Char('0'));
        n.left = 15 * (i % 900);
        n.top = 15 * (i % 600);
        n.width = 3000;
        n.height = 2350;
        // Hidden windows save the same and start faster.
        n.visible = i % 50 == 0;
        if (i % 2) {
            n.text = QStringLiteral("Line one of note %1\r\nA second, longer line of the note with some words\r\n").arg(i)
                         .repeated(10);
        } else {
            for (int r = 0; r < 20; ++r)
                n.rows.append({r % 3 == 0, QStringLiteral("Item %1 of list %2").arg(r).arg(i)});
        }
        notes.append(n);
    }
    return WriteNoteStore(notes, PixelScale{15, 15});
}

} // namespace

class tst_CrashTorture : public QObject
{
    Q_OBJECT

private slots:
    void killedWhileSavingLosesNothing();
};

void tst_CrashTorture::killedWhileSavingLosesNothing()
{
    if (!QFileInfo::exists(QStringLiteral(PELLUX_BIN_DIR "/pellux")))
        QSKIP("the program is not built");
    Profile profile;
    QDir().mkpath(profile.dataFolder());
    {
        QFile f(profile.storePath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bigStore());
    }
    QRandomGenerator random(20261210);
    int kills = 0;
    int afterStates = 0;
    int lost = 0;
    QElapsedTimer clock;
    clock.start();

    while (kills < Kills && clock.elapsed() < BudgetMs) {
        const std::optional<QSet<QString>> before = storedIds(profile.storePath());
        QVERIFY2(before, "the store does not read");

        QProcess p;
        p.setProcessEnvironment(profile.environment());
        p.setWorkingDirectory(profile.workDir());
        p.start(QStringLiteral(PELLUX_BIN_DIR "/pellux"), {});
        QVERIFY(p.waitForStarted(10000));
        QLocalSocket channel;
        QElapsedTimer wait;
        wait.start();
        // The channel answers once the store has loaded.
        while (wait.elapsed() < 60000) {
            channel.connectToServer(profile.socketPath());
            if (channel.waitForConnected(200))
                break;
            QVERIFY(p.state() == QProcess::Running);
            QTest::qWait(50);
        }
        QCOMPARE(channel.state(), QLocalSocket::ConnectedState);

        // A new note comes in through the channel: a change the quick save writes a
        // second later, and one the full save writes at once.
        StoredNote note;
        note.type = QStringLiteral("TextNote");
        note.title = QStringLiteral("Added %1").arg(kills);
        note.nid = QStringLiteral("TORTURE:10122026:110000:%1").arg(kills, 4, 10, QLatin1Char('0'));
        note.text = QStringLiteral("text");
        const QString file = profile.filePath(QStringLiteral("added%1.NoteFile").arg(kills));
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(WriteNoteFile(note).bytes);
        }
        const bool fullSave = kills % 2 == 0;
        QByteArray commands = "LoadNote|" + file.toUtf8() + "\n";
        if (fullSave)
            commands += "SaveNotes\n";
        channel.write(commands);
        channel.flush();
        while (!channel.canReadLine() && channel.waitForReadyRead(20000)) {
        }
        QCOMPARE(channel.readLine().trimmed(), QByteArray("ACK"));
        // The full save runs right after the import; the quick save a second after it.
        const int delay = fullSave ? int(random.bounded(120)) : 950 + int(random.bounded(150));
        QTest::qWait(delay);
        ::kill(pid_t(p.processId()), SIGKILL);
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitStatus(), QProcess::CrashExit);
        ++kills;
        channel.abort();

        const std::optional<QSet<QString>> afterKill = storedIds(profile.storePath());
        QVERIFY2(afterKill, qPrintable(QStringLiteral("the store does not read after kill %1").arg(kills)));
        QSet<QString> expectedAfter = *before;
        expectedAfter.insert(note.nid);
        QVERIFY2(*afterKill == *before || *afterKill == expectedAfter,
                 qPrintable(QStringLiteral("kill %1: the store holds %2 notes, neither before (%3) nor after")
                                .arg(kills)
                                .arg(afterKill->size())
                                .arg(before->size())));
        lost += int((*before - *afterKill).size());
        if (*afterKill == expectedAfter)
            ++afterStates;
        // Nothing half written is left beside the store.
        const QStringList left = QDir(profile.dataFolder()).entryList(QDir::Files | QDir::Hidden);
        for (const QString &name : left) {
            QVERIFY2(name == QLatin1String("Pellux.NoteData") || name == QLatin1String("Pellux.Backup.NoteData"),
                     qPrintable(name));
        }
        QFile::remove(profile.socketPath());
    }
    qInfo("%d kills in %lld s; the store held the notes after the save %d times, before it %d times; notes lost: %d",
          kills, clock.elapsed() / 1000, afterStates, kills - afterStates, lost);
    QCOMPARE(lost, 0);
    QVERIFY2(kills >= MinKills, "the machine was too slow for the kills to mean anything");
    // The kills did land on both sides of the saves, or the test proved nothing.
    if (kills >= BothSidesKills) {
        QVERIFY(afterStates > 0);
        QVERIFY(afterStates < kills);
    }
}

QTEST_GUILESS_MAIN(tst_CrashTorture)
#include "tst_crashtorture.moc"
