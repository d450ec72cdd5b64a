// The real program, started on a store of check lists and ended by SIGTERM: the
// store it writes at shutdown is the one it read.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

const QString kProgram = QStringLiteral(PELLUX_BIN_DIR "/pellux");
const QString kFixture = QStringLiteral(PELLUX_FIXTURES "/checklists/checklists.NoteData");

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestCheckListProcess : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!QFileInfo::exists(kProgram))
            QSKIP("the pellux program is not built");
    }

    void sigtermLeavesTheStoreAsItWas()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        for (const char *d : {"config", "data/Brackwel Systems/Pellux", "runtime", "tmp", "work"})
            QVERIFY(QDir().mkpath(dir.filePath(QLatin1String(d))));
        QFile::setPermissions(dir.filePath("runtime"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        // This version has run before and the update check is months away: no question at start.
        QFile conf(dir.filePath("config/PelluxNotes.conf"));
        QVERIFY(conf.open(QIODevice::WriteOnly));
        const QString nextCheck = QDate::currentDate().addMonths(6).toString(QStringLiteral("M/d/yyyy"));
        conf.write("[Settings]\nVersion=3.2  (Build 155)\nNextUpdateCheck=" + nextCheck.toLatin1() + "\n");
        conf.close();

        const QByteArray store = readAll(kFixture);
        QVERIFY(!store.isEmpty());
        const QString storePath = dir.filePath("data/Brackwel Systems/Pellux/Pellux.NoteData");
        QFile out(storePath);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(store);
        out.close();

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
        env.insert("XDG_DATA_HOME", dir.filePath("data"));
        env.insert("XDG_RUNTIME_DIR", dir.filePath("runtime"));
        env.insert("TMPDIR", dir.filePath("tmp"));
        env.insert("LANG", "en_US.UTF-8");
        env.insert("QT_QPA_PLATFORM", "offscreen");

        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir.filePath("work"));
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(kProgram, {});
        QVERIFY(p.waitForStarted(10000));
        // The control channel opens once the store has loaded.
        const QString socket = dir.filePath("runtime/Pellux.Control");
        QVERIFY2(QTest::qWaitFor([&] { return QFileInfo::exists(socket) || p.state() == QProcess::NotRunning; },
                                 30000),
                 "the program did not finish loading");
        QVERIFY(QFileInfo::exists(socket));
        // Let the windows settle (activation, roll-up of the rolled list) before the end.
        QTest::qWait(300);

        ::kill(pid_t(p.processId()), SIGTERM);
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(readAll(storePath), store);
        // It was written again, not merely left alone: the save keeps the old store as the backup.
        QCOMPARE(readAll(dir.filePath("data/Brackwel Systems/Pellux/Pellux.Backup.NoteData")), store);
    }
};

QTEST_GUILESS_MAIN(TestCheckListProcess)
#include "tst_checklistprocess.moc"
