// What a desktop makes of an installed Pellux: "cmake --install" into a private prefix,
// then the desktop's own tools (shared-mime-info, GIO, desktop-file-utils) asked what a
// note file is and what opens it, and a note file opened the way a file manager opens
// a double-clicked one ("gio open"), with Pellux running and with nothing running.
#include "core/notefile/NoteFile.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

struct Run
{
    int code = -1;
    QByteArray out;
};

Run run(const QString &program, const QStringList &args, const QProcessEnvironment &env = {},
        bool detachOutput = false)
{
    QProcess p;
    if (!env.isEmpty())
        p.setProcessEnvironment(env);
    if (detachOutput) {
        // What it starts inherits its output: a pipe closed behind it would end that program.
        p.setStandardOutputFile(QProcess::nullDevice());
        p.setStandardErrorFile(QProcess::nullDevice());
    }
    p.start(program, args);
    Run r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.out = p.readAllStandardOutput() + p.readAllStandardError();
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return r;
}

QByteArray noteFile(const QString &title)
{
    pellux::StoredNote note;
    note.type = QStringLiteral("TextNote");
    note.title = title;
    note.text = QStringLiteral("opened from the desktop");
    return pellux::WriteNoteFile(note).bytes;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

class TestDesktopIntegration : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;
    QString m_prefix;

    QString profile(const QString &sub) const { return m_root.filePath(QStringLiteral("profile/") + sub); }
    QString storePath() const { return profile(QStringLiteral("data/Brackwel Systems/Pellux/Pellux.NoteData")); }

    /// A desktop session that knows only this install: its data folders, its programs, a private profile.
    QProcessEnvironment session() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_DIRS", m_prefix + "/share:/usr/share");
        env.insert("XDG_DATA_HOME", profile("data"));
        env.insert("XDG_CONFIG_HOME", profile("config"));
        env.insert("XDG_RUNTIME_DIR", profile("runtime"));
        env.insert("TMPDIR", profile("tmp"));
        env.insert("PATH", m_prefix + "/bin:" + env.value("PATH"));
        env.insert("LANG", "en_US.UTF-8");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        return env;
    }

    QString contentType(const QString &path) const
    {
        const Run r = run("gio", {"info", "-a", "standard::content-type", path}, session());
        const qsizetype at = r.out.indexOf("standard::content-type: ");
        if (r.code != 0 || at < 0)
            return QString::fromUtf8(r.out);
        return QString::fromUtf8(r.out.mid(at + 24).split('\n').first()).trimmed();
    }

    /// Opens \a path as a file manager opens a double-clicked file.
    int open(const QString &path) const { return run("gio", {"open", path}, session(), true).code; }

    int send(const QString &command) const
    {
        return run(m_prefix + "/bin/pellux-send", {command}, session()).code;
    }

    /// What the running Pellux holds, as "SaveNotes" writes it.
    QByteArray saved() const
    {
        if (send(QStringLiteral("SaveNotes")) != 0)
            return {};
        QFile f(storePath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    bool listening() const { return QFileInfo::exists(profile("runtime/Pellux.Control")); }

    /// Ends the Pellux of the profile, started by us or by the desktop.
    void endPellux()
    {
        if (!listening())
            return;
        qint64 pid = 0;
        QString host, app;
        QLockFile lock(profile("runtime/Pellux.Control.lock"));
        lock.getLockInfo(&pid, &host, &app);
        if (send(QStringLiteral("Exit")) != 0 && pid > 0)
            ::kill(pid_t(pid), SIGTERM);
        QTRY_VERIFY_WITH_TIMEOUT(!listening(), 20000);
    }

private slots:
    void initTestCase()
    {
        for (const char *tool : {"gio", "update-mime-database", "desktop-file-validate"})
            QVERIFY2(!QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty(),
                     qPrintable(QStringLiteral("%1 is needed (libglib2.0-bin, shared-mime-info, desktop-file-utils)")
                                    .arg(QLatin1String(tool))));
        m_prefix = m_root.filePath(QStringLiteral("prefix"));
        const Run install = run(QStringLiteral(PELLUX_CMAKE),
                                {"--install", QStringLiteral(PELLUX_BUILD_DIR), "--prefix", m_prefix});
        QVERIFY2(install.code == 0, install.out.constData());
    }

    void init()
    {
        QDir(profile(QString())).removeRecursively();
        for (const char *d : {"config", "data", "runtime", "tmp", "work"})
            QDir().mkpath(profile(QLatin1String(d)));
        QFile::setPermissions(profile("runtime"), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                      | QFileDevice::ExeOwner);
        // No start-up question: this version has run before and the update check is far away.
        QVERIFY(writeFile(profile("config/PelluxNotes.conf"),
                          "[Settings]\nVersion=3.2  (Build 155)\nNextUpdateCheck=6/1/2099\n"));
    }

    void cleanup() { endPellux(); }

    void installedFiles()
    {
        const Run validate =
            run("desktop-file-validate", {m_prefix + "/share/applications/pellux.desktop"}, session());
        QVERIFY2(validate.code == 0 && validate.out.isEmpty(), validate.out.constData());
        QFile desktop(m_prefix + "/share/applications/pellux.desktop");
        QVERIFY(desktop.open(QIODevice::ReadOnly));
        const QByteArray entry = desktop.readAll();
        QVERIFY(entry.contains("\nMimeType=application/x-pellux;\n"));
        QVERIFY(entry.contains("\nExec=pellux %f\n"));
        QVERIFY(QFileInfo::exists(m_prefix + "/share/mime/packages/pellux.xml"));
        for (int size : {16, 22, 32, 48, 64}) {
            const QString dir = m_prefix + QStringLiteral("/share/icons/hicolor/%1x%1/").arg(size);
            QVERIFY(QFileInfo::exists(dir + "apps/pellux.png"));
            QVERIFY(QFileInfo::exists(dir + "mimetypes/application-x-pellux.png"));
        }
        // The command is a link to the program, which finds its tray control beside itself.
        const QFileInfo command(m_prefix + "/bin/pellux");
        QVERIFY(command.isSymLink());
        QCOMPARE(QFileInfo(command.canonicalFilePath()).absolutePath(),
                 QFileInfo(m_prefix + "/libexec/pellux").canonicalFilePath());
        QVERIFY(QFileInfo::exists(m_prefix + "/libexec/pellux/bwSysTray6.so"));
        QVERIFY(QFileInfo(m_prefix + "/bin/pellux-send").isExecutable());
    }

    void whatANoteFileIs_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("type");
        QTest::newRow("by its name") << "Shopping.NoteFile" << noteFile("Shopping") << "application/x-pellux";
        QTest::newRow("name in another case") << "OLD.NOTEFILE" << noteFile("Old") << "application/x-pellux";
        QTest::newRow("by its first bytes") << "attachment.bin" << noteFile("Mailed") << "application/x-pellux";
        QTest::newRow("an old pixel store is not one") << "store.bin" << QByteArray("NoteFile 3.1\r\n\x05\x00")
                                                       << "application/octet-stream";
    }

    void whatANoteFileIs()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, type);
        const QString path = profile("work/") + name;
        QVERIFY(writeFile(path, bytes));
        QCOMPARE(contentType(path), type);
    }

    void pelluxOpensNoteFiles()
    {
        const Run r = run("gio", {"mime", "application/x-pellux"}, session());
        QCOMPARE(r.code, 0);
        // The quotes around the type follow the locale; the rest does not.
        const QByteArray first = r.out.split('\n').first();
        QVERIFY2(first.startsWith("Default application for ") && first.contains("application/x-pellux")
                     && first.endsWith(": pellux.desktop"),
                 r.out.constData());
    }

    void doubleClickWithPelluxRunningImportsIntoIt()
    {
        QProcess pellux;
        pellux.setProcessEnvironment(session());
        pellux.setWorkingDirectory(profile("work"));
        pellux.start(m_prefix + "/bin/pellux", {});
        QVERIFY(pellux.waitForStarted(10000));
        QTRY_VERIFY_WITH_TIMEOUT(listening(), 30000);

        const QString path = profile("work/From the mail.NoteFile");
        QVERIFY(writeFile(path, noteFile("From the mail")));
        QCOMPARE(open(path), 0);
        QTRY_VERIFY_WITH_TIMEOUT(saved().contains("<title>From the mail</title>"), 30000);
        QCOMPARE(pellux.state(), QProcess::Running);
        endPellux();
        QVERIFY(pellux.state() == QProcess::NotRunning || pellux.waitForFinished(20000));
        QCOMPARE(pellux.exitCode(), 0);
    }

    void doubleClickWithNothingRunningStartsPellux()
    {
        const QString path = profile("work/While closed.NoteFile");
        QVERIFY(writeFile(path, noteFile("While closed")));
        QVERIFY(!listening());
        QCOMPARE(open(path), 0);
        QTRY_VERIFY_WITH_TIMEOUT(listening(), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(saved().contains("<title>While closed</title>"), 30000);
    }
};

QTEST_GUILESS_MAIN(TestDesktopIntegration)
#include "tst_desktopintegration.moc"
