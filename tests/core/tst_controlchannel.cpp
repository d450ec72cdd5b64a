#include "core/channel/ControlClient.h"
#include "core/channel/ControlEndpoint.h"
#include "core/channel/ControlServer.h"
#include "core/channel/InstanceLock.h"
#include "support/ClientThread.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QSysInfo>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using pellux::ControlClient;
using pellux::ControlServer;
using Reply = pellux::ControlClient::Reply;
using pellux::test::onClientThread;

namespace {

/// Records what the channel asked of the program; a hook can act in the middle of a call.
class FakeTarget : public pellux::ControlTarget
{
public:
    bool loading = false;
    bool importResult = true;
    bool saveSucceeds = true;
    QStringList calls;
    std::map<QString, std::function<void()>> during;

    bool isLoading() const override { return loading; }
    void channelSyncOn() override { record(QStringLiteral("SyncOn")); }
    void channelSyncOff() override { record(QStringLiteral("SyncOff")); }
    void channelControlPanel() override { record(QStringLiteral("ControlPanel")); }
    void channelExit() override { record(QStringLiteral("Exit")); }
    bool channelSaveNotes() override
    {
        record(QStringLiteral("SaveNotes"));
        return saveSucceeds;
    }
    void channelLoadNotes() override { record(QStringLiteral("LoadNotes")); }
    void channelUnloadNotes() override { record(QStringLiteral("UnloadNotes")); }
    bool channelLoadNote(const QString &path) override
    {
        record(QStringLiteral("LoadNote:") + path);
        return importResult;
    }

private:
    void record(const QString &call)
    {
        calls << call;
        const auto hook = during.find(call.section(QLatin1Char(':'), 0, 0));
        if (hook != during.end())
            hook->second();
    }
};

/// A client on the test's own thread, driven without blocking the server's events.
struct Peer
{
    QLocalSocket socket;

    bool connectTo(const QString &path)
    {
        socket.connectToServer(path);
        return socket.waitForConnected(2000);
    }
    void send(const QByteArray &lines)
    {
        socket.write(lines);
        socket.flush();
    }
    /// The next answer line without its LF; empty when none came in time.
    QByteArray reply(int ms = 5000)
    {
        if (!QTest::qWaitFor([&] { return socket.canReadLine(); }, ms))
            return {};
        return socket.readLine().chopped(1);
    }
    QByteArray ask(const QByteArray &command)
    {
        send(command + '\n');
        return reply();
    }
};

int modeOf(const QString &path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return int(st.st_mode & 07777);
}

/// A socket file nobody listens on, as a crashed instance leaves it.
bool makeStaleSocket(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    sockaddr_un addr {};
    addr.sun_family = AF_UNIX;
    if (size_t(native.size()) >= sizeof(addr.sun_path))
        return false;
    memcpy(addr.sun_path, native.constData(), size_t(native.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof(addr)) == 0;
    ::close(fd);
    return bound;
}

QString fallbackFolder()
{
    return QDir(QDir::tempPath()).filePath(QStringLiteral("pellux-%1").arg(::geteuid()));
}

/// Where the channel goes when the fallback above is not ours.
QString homeFolder()
{
    QString host = QSysInfo::machineHostName();
    for (QChar &c : host) {
        if (!c.isLetterOrNumber() && c != QLatin1Char('-') && c != QLatin1Char('.'))
            c = QLatin1Char('_');
    }
    return qEnvironmentVariable("XDG_CACHE_HOME") + QStringLiteral("/pellux-") + host;
}

} // namespace

class TestControlChannel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void commands_data();
    void commands();
    void overlongLineIsRefusedAndSkipped();
    void exitAnswersBeforeItRuns();

    void endpointFolder_data();
    void endpointFolder();
    void staleSocketIsReplaced();
    void secondServerIsRefused();

    void syncMarkClearedOnClose_data();
    void syncMarkClearedOnClose();
    void otherConversationKeepsTheBanner();

    void commandArrivingDuringLoadIsRefused();
    void commandArrivingDuringUnloadWaitsItsTurn();
    void presenceIsAnsweredWhileACommandWaitsOnABox();
    void connectionsAreCapped();
    void idleConnectionsAreDropped();
    void serverListensAgainAfterItStopped();
    void greedyClientsAreDropped_data();
    void greedyClientsAreDropped();
    void clientGoneMidCommand_data();
    void clientGoneMidCommand();
    void serverStoppedMidCommand();

    void handOver_data();
    void handOver();
    void openControlPanel_data();
    void openControlPanel();
    void clientGivesUpOnABadServer_data();
    void clientGivesUpOnABadServer();

    void instanceLockAdmitsOne();
    void instanceLockTakesOverFromADeadProcess();

    void sendTool_data();
    void sendTool();

private:
    bool startServer();

    QHash<QByteArray, QByteArray> m_savedEnv;
    std::unique_ptr<pellux::test::TestEnvironment> m_env;
    std::unique_ptr<FakeTarget> m_target;
    std::unique_ptr<ControlServer> m_server;
};

void TestControlChannel::initTestCase()
{
    for (const char *name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR", "TMPDIR"})
        m_savedEnv.insert(name, qgetenv(name));
}

void TestControlChannel::init()
{
    m_env = std::make_unique<pellux::test::TestEnvironment>();
    QVERIFY(!m_env->root().isEmpty());
    m_target = std::make_unique<FakeTarget>();
    m_server = std::make_unique<ControlServer>(m_target.get());
}

void TestControlChannel::cleanup()
{
    m_server.reset();
    m_target.reset();
    m_env.reset();
    // Each world is private: the next one must not be made inside this one's leftovers.
    for (auto it = m_savedEnv.cbegin(); it != m_savedEnv.cend(); ++it) {
        if (it.value().isNull())
            qunsetenv(it.key().constData());
        else
            qputenv(it.key().constData(), it.value());
    }
}

bool TestControlChannel::startServer()
{
    QString error;
    const bool ok = m_server->start(&error);
    if (!ok)
        qWarning("start failed: %s", qPrintable(error));
    return ok;
}

// --- the command table ------------------------------------------------------

void TestControlChannel::commands_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("loading");
    QTest::addColumn<bool>("importAccepted");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QStringList>("calls");

    const QByteArray ack("ACK"), nak("NAK");
    // importAccepted: whether the program's part (an import, a save) succeeds.
    auto row = [&](const char *name, const QByteArray &line, const QByteArray &reply, const QStringList &calls,
                   bool loading = false, bool importAccepted = true) {
        QTest::newRow(name) << line << loading << importAccepted << reply << calls;
    };

    row("AreYouThere", "AreYouThere", ack, {});
    row("SyncOn", "SyncOn", ack, {"SyncOn"});
    row("SyncOff", "SyncOff", ack, {"SyncOff"});
    row("ControlPanel", "ControlPanel", ack, {"ControlPanel"});
    row("Exit", "Exit", ack, {"Exit"});
    row("SaveNotes", "SaveNotes", ack, {"SaveNotes"});
    row("SaveNotes that could not write the store", "SaveNotes", nak, {"SaveNotes"}, false, false);
    row("LoadNotes is the reload, not an import", "LoadNotes", ack, {"LoadNotes"});
    row("UnloadNotes", "UnloadNotes", ack, {"UnloadNotes"});
    row("LoadNote|path", "LoadNote|/home/ann/Shopping.NoteFile", ack, {"LoadNote:/home/ann/Shopping.NoteFile"});
    row("LoadNote path from the tenth character", "LoadNote/home/ann/a.NoteFile", ack,
        {"LoadNote:home/ann/a.NoteFile"});
    row("LoadNote path in UTF-8 with blanks", "LoadNote|/home/ann/My N\xc3\xb6tes.NoteFile", ack,
        {QStringLiteral("LoadNote:/home/ann/My N\u00f6tes.NoteFile")});
    row("LoadNote refused by the import", "LoadNote|/home/ann/broken.NoteFile", nak,
        {"LoadNote:/home/ann/broken.NoteFile"}, false, false);
    row("LoadNote| naming no file", "LoadNote|", nak, {});
    row("LoadNote alone", "LoadNote", nak, {});
    row("LoadNote path not UTF-8", "LoadNote|/home/ann/\xff\xfe.NoteFile", nak, {});
    row("LoadNote path holding a NUL", QByteArray("LoadNote|/home/ann/a\0b.NoteFile", 31), nak, {});

    row("unknown", "Bogus", nak, {});
    row("empty line", "", nak, {});
    row("wrong case", "areyouthere", nak, {});
    row("wrong case exit", "EXIT", nak, {});
    row("trailing blank", "SaveNotes ", nak, {});
    row("CR is not part of the line end", "SaveNotes\r", nak, {});
    row("byte-order mark in front", "\xef\xbb\xbf" "AreYouThere", nak, {});

    row("loading: AreYouThere", "AreYouThere", nak, {}, true);
    row("loading: SyncOn", "SyncOn", nak, {}, true);
    row("loading: Exit", "Exit", nak, {}, true);
    row("loading: SaveNotes", "SaveNotes", nak, {}, true);
    row("loading: LoadNotes", "LoadNotes", nak, {}, true);
    row("loading: LoadNote|path", "LoadNote|/home/ann/a.NoteFile", nak, {}, true);
}

void TestControlChannel::commands()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, loading);
    QFETCH(bool, importAccepted);
    QFETCH(QByteArray, reply);
    QFETCH(QStringList, calls);

    m_target->loading = loading;
    m_target->importResult = importAccepted;
    m_target->saveSucceeds = importAccepted;
    QVERIFY(startServer());
    Peer peer;
    QVERIFY(peer.connectTo(m_server->endpointPath()));
    QCOMPARE(peer.ask(line), reply);
    QTRY_COMPARE(m_target->calls, calls);
    QTest::qWait(20);   // nothing more comes afterwards
    QCOMPARE(m_target->calls, calls);
}

void TestControlChannel::overlongLineIsRefusedAndSkipped()
{
    QVERIFY(startServer());
    Peer peer;
    QVERIFY(peer.connectTo(m_server->endpointPath()));
    peer.send("LoadNote|/" + QByteArray(ControlServer::kMaxCommandBytes + 100, 'a') + "\nSaveNotes\n");
    QCOMPARE(peer.reply(), QByteArray("NAK"));
    QCOMPARE(peer.reply(), QByteArray("ACK"));
    QCOMPARE(m_target->calls, QStringList{"SaveNotes"});
}

void TestControlChannel::exitAnswersBeforeItRuns()
{
    QVERIFY(startServer());
    Peer peer;
    QVERIFY(peer.connectTo(m_server->endpointPath()));

    bool answeredFirst = false;
    m_target->during[QStringLiteral("Exit")] = [&] {
        // The answer must already be on its way: the process ends in here.
        answeredFirst = peer.socket.canReadLine()
                        || (peer.socket.waitForReadyRead(2000) && peer.socket.canReadLine());
    };
    // A command sent behind "Exit" finds the program going down.
    peer.send("Exit\nAreYouThere\n");
    QCOMPARE(peer.reply(), QByteArray("ACK"));
    QCOMPARE(peer.reply(), QByteArray("NAK"));
    QTRY_COMPARE(m_target->calls, QStringList{"Exit"});
    QVERIFY(answeredFirst);

    // An exit that did not end the process leaves the channel usable, not deaf.
    QCOMPARE(peer.ask("AreYouThere"), QByteArray("ACK"));
}

// --- endpoint ---------------------------------------------------------------

void TestControlChannel::endpointFolder_data()
{
    QTest::addColumn<QString>("runtime");    // XDG_RUNTIME_DIR: "private", "unset", "open", "relative", "missing"
    QTest::addColumn<QString>("fallback");   // what is already at the fallback: "", "0755", "0777", "link", "foreign", "file"
    QTest::addColumn<QString>("expected");   // "runtime", "fallback", "home", "error"

    QTest::newRow("private runtime folder") << "private" << "" << "runtime";
    QTest::newRow("no runtime folder") << "unset" << "" << "fallback";
    QTest::newRow("runtime folder open to others") << "open" << "" << "fallback";
    QTest::newRow("relative runtime folder") << "relative" << "" << "fallback";
    QTest::newRow("runtime folder missing") << "missing" << "" << "fallback";
    QTest::newRow("fallback readable by others is closed") << "unset" << "0755" << "fallback";
    // Another user can create the fallback's name first: the one in the home folder serves.
    QTest::newRow("fallback writable by others") << "unset" << "0777" << "home";
    QTest::newRow("fallback is a link") << "unset" << "link" << "home";
    QTest::newRow("fallback of another user") << "unset" << "foreign" << "home";
    QTest::newRow("fallback is a file") << "unset" << "file" << "home";
    QTest::newRow("neither can be used") << "unset" << "file+home" << "error";
}

void TestControlChannel::endpointFolder()
{
    QFETCH(QString, runtime);
    QFETCH(QString, fallback);
    QFETCH(QString, expected);

    if (runtime == QLatin1String("unset")) {
        qunsetenv("XDG_RUNTIME_DIR");
    } else if (runtime == QLatin1String("open")) {
        QFile::setPermissions(m_env->runtimeDir(), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                       | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                                       | QFileDevice::ExeOther);
    } else if (runtime == QLatin1String("relative")) {
        qputenv("XDG_RUNTIME_DIR", "runtime");
    } else if (runtime == QLatin1String("missing")) {
        qputenv("XDG_RUNTIME_DIR", (m_env->root() + QStringLiteral("/gone")).toUtf8());
    }

    const QString spare = fallbackFolder();
    const QByteArray nativeSpare = QFile::encodeName(spare);
    if (fallback == QLatin1String("0755") || fallback == QLatin1String("0777")
        || fallback == QLatin1String("foreign")) {
        QVERIFY(QDir().mkpath(spare));
        QCOMPARE(::chmod(nativeSpare.constData(), fallback == QLatin1String("0777") ? 0777 : 0755), 0);
        if (fallback == QLatin1String("foreign")) {
            if (::geteuid() != 0)
                QSKIP("needs root to hand a folder to another user");
            QCOMPARE(::chown(nativeSpare.constData(), 65534, 65534), 0);
        }
    } else if (fallback == QLatin1String("link")) {
        QVERIFY(QFile::link(m_env->workDir(), spare));
    } else if (fallback.startsWith(QLatin1String("file"))) {
        QVERIFY(pellux::test::TestEnvironment::writeFile(spare, "planted"));
        if (fallback.endsWith(QLatin1String("home")))
            QVERIFY(QFile::link(m_env->workDir(), homeFolder()));
    }

    QString error;
    const QString folder = pellux::ControlEndpointFolder(&error);
    QString serverError;
    const bool started = m_server->start(&serverError);

    if (expected == QLatin1String("error")) {
        QVERIFY(folder.isEmpty());
        QVERIFY(error.contains(spare));
        QVERIFY(!started);
        QVERIFY(!serverError.isEmpty());
        if (fallback == QLatin1String("link"))
            QVERIFY(!QFileInfo::exists(m_env->workDir() + QStringLiteral("/Pellux.Control")));
        // The instance lock says why it cannot be taken.
        pellux::InstanceLock lock;
        QVERIFY(!lock.tryLock());
        QVERIFY(lock.errorString().contains(spare));
        return;
    }

    const QString want = expected == QLatin1String("runtime") ? QDir(m_env->runtimeDir()).absolutePath()
                         : expected == QLatin1String("home")  ? homeFolder()
                                                              : spare;
    if (expected == QLatin1String("home")) {
        // Whatever was planted is left as it was, and nothing of ours went into it.
        QVERIFY(QFileInfo(spare).exists() || QFileInfo(spare).isSymLink());
        QVERIFY(!QFileInfo::exists(m_env->workDir() + QStringLiteral("/Pellux.Control")));
    }
    QCOMPARE(folder, want);
    QCOMPARE(modeOf(folder), 0700);
    QVERIFY2(started, qPrintable(serverError));
    QCOMPARE(m_server->endpointPath(), want + QStringLiteral("/Pellux.Control"));
    QCOMPARE(pellux::ControlEndpointPath(), m_server->endpointPath());
    QCOMPARE(pellux::ControlLockPath(), m_server->endpointPath() + QStringLiteral(".lock"));
    QCOMPARE(modeOf(m_server->endpointPath()), 0600);
    Peer peer;
    QVERIFY(peer.connectTo(m_server->endpointPath()));
    QCOMPARE(peer.ask("AreYouThere"), QByteArray("ACK"));
}

void TestControlChannel::staleSocketIsReplaced()
{
    const QString path = pellux::ControlEndpointPath();
    QVERIFY(makeStaleSocket(path));
    QVERIFY(QFileInfo::exists(path));
    {
        QLocalSocket nobody;
        nobody.connectToServer(path);
        QVERIFY(!nobody.waitForConnected(1000));
    }

    QVERIFY(startServer());
    QCOMPARE(modeOf(path), 0600);
    QCOMPARE(onClientThread([] { return ControlClient().OpenControlPanel(); }), true);
    QCOMPARE(m_target->calls, QStringList{"ControlPanel"});

    m_server->stop();
    QVERIFY(!QFileInfo::exists(path));
}

void TestControlChannel::secondServerIsRefused()
{
    QVERIFY(startServer());
    const QString path = m_server->endpointPath();
    {
        FakeTarget otherTarget;
        ControlServer second(&otherTarget);
        QString error;
        QVERIFY(!second.start(&error));
        QVERIFY(error.contains(path));
        QVERIFY(!second.isListening());
    }
    // The running one keeps its endpoint, also after the refused one is gone.
    QVERIFY(QFileInfo::exists(path));
    Peer peer;
    QVERIFY(peer.connectTo(path));
    QCOMPARE(peer.ask("SaveNotes"), QByteArray("ACK"));
    QCOMPARE(m_target->calls, QStringList{"SaveNotes"});
}

// --- the synchronising mark --------------------------------------------------

void TestControlChannel::syncMarkClearedOnClose_data()
{
    QTest::addColumn<QByteArrayList>("commands");
    QTest::addColumn<bool>("markedBeforeClose");
    QTest::addColumn<QStringList>("calls");   // after the conversation has closed

    QTest::newRow("SyncOn then close") << QByteArrayList{"SyncOn"} << true << QStringList{"SyncOn", "SyncOff"};
    QTest::newRow("SyncOn twice then close") << QByteArrayList{"SyncOn", "SyncOn"} << true
                                             << QStringList{"SyncOn", "SyncOn", "SyncOff"};
    QTest::newRow("SyncOn, SyncOff, close") << QByteArrayList{"SyncOn", "SyncOff"} << false
                                            << QStringList{"SyncOn", "SyncOff"};
    QTest::newRow("no SyncOn") << QByteArrayList{"AreYouThere", "SaveNotes"} << false
                               << QStringList{"SaveNotes"};
}

void TestControlChannel::syncMarkClearedOnClose()
{
    QFETCH(QByteArrayList, commands);
    QFETCH(bool, markedBeforeClose);
    QFETCH(QStringList, calls);

    QVERIFY(startServer());
    {
        Peer peer;
        QVERIFY(peer.connectTo(m_server->endpointPath()));
        for (const QByteArray &command : commands)
            QCOMPARE(peer.ask(command), QByteArray("ACK"));
        QCOMPARE(m_server->isSynchronising(), markedBeforeClose);
    }
    QTRY_COMPARE(m_target->calls, calls);
    QTest::qWait(20);
    QCOMPARE(m_target->calls, calls);
    QVERIFY(!m_server->isSynchronising());
}

void TestControlChannel::otherConversationKeepsTheBanner()
{
    QVERIFY(startServer());
    Peer syncTool;
    QVERIFY(syncTool.connectTo(m_server->endpointPath()));
    QCOMPARE(syncTool.ask("SyncOn"), QByteArray("ACK"));

    // A hand-over from a second start comes and goes during the synchronisation.
    const auto handOver = onClientThread([] { return ControlClient().SendDDERequest("/home/ann/a.NoteFile"); });
    QVERIFY(handOver.instanceAnswered);
    QTest::qWait(50);
    QCOMPARE(m_target->calls, (QStringList{"SyncOn", "LoadNote:/home/ann/a.NoteFile"}));
    QVERIFY(m_server->isSynchronising());

    // A second synchronising conversation that ends leaves the first one's banner up.
    {
        Peer second;
        QVERIFY(second.connectTo(m_server->endpointPath()));
        QCOMPARE(second.ask("SyncOn"), QByteArray("ACK"));
    }
    QTest::qWait(50);
    QCOMPARE(m_target->calls, (QStringList{"SyncOn", "LoadNote:/home/ann/a.NoteFile", "SyncOn"}));

    syncTool.socket.disconnectFromServer();
    QTRY_COMPARE(m_target->calls, (QStringList{"SyncOn", "LoadNote:/home/ann/a.NoteFile", "SyncOn", "SyncOff"}));
}

// --- commands that let events run --------------------------------------------

void TestControlChannel::commandArrivingDuringLoadIsRefused()
{
    QVERIFY(startServer());
    Peer loader;
    Peer other;
    QVERIFY(loader.connectTo(m_server->endpointPath()));
    QVERIFY(other.connectTo(m_server->endpointPath()));

    QByteArray otherReply;
    m_target->during[QStringLiteral("LoadNotes")] = [&] {
        m_target->loading = true;
        otherReply = other.ask("SaveNotes");             // another conversation, answered at once
        loader.send("UnloadNotes\n");                    // the same conversation, answered in order
        QTest::qWait(50);
        m_target->loading = false;
    };
    loader.send("LoadNotes\n");
    QCOMPARE(loader.reply(), QByteArray("ACK"));
    QCOMPARE(loader.reply(), QByteArray("NAK"));
    QCOMPARE(otherReply, QByteArray("NAK"));
    QTest::qWait(20);
    QCOMPARE(m_target->calls, QStringList{"LoadNotes"});
}

void TestControlChannel::commandArrivingDuringUnloadWaitsItsTurn()
{
    QVERIFY(startServer());
    Peer unloader;
    Peer saver;
    QVERIFY(unloader.connectTo(m_server->endpointPath()));
    QVERIFY(saver.connectTo(m_server->endpointPath()));

    bool waited = false;
    m_target->during[QStringLiteral("UnloadNotes")] = [&] {
        saver.send("SaveNotes\n");
        QTest::qWait(100);   // events run, as they do between unloaded notes
        waited = !saver.socket.canReadLine() && m_target->calls == QStringList{"UnloadNotes"};
    };
    unloader.send("UnloadNotes\n");
    QCOMPARE(unloader.reply(), QByteArray("ACK"));
    QCOMPARE(saver.reply(), QByteArray("ACK"));
    QVERIFY2(waited, "a command ran inside another");
    QCOMPARE(m_target->calls, (QStringList{"UnloadNotes", "SaveNotes"}));
}

void TestControlChannel::presenceIsAnsweredWhileACommandWaitsOnABox()
{
    // An import whose box is open keeps the channel answering: a second start asks
    // "AreYouThere" meanwhile and must hear at once; other commands still wait.
    QVERIFY(startServer());
    Peer importer;
    Peer secondStart;
    QVERIFY(importer.connectTo(m_server->endpointPath()));
    QVERIFY(secondStart.connectTo(m_server->endpointPath()));

    QByteArray presence;
    bool panelWaited = false;
    m_target->during[QStringLiteral("LoadNote")] = [&] {
        secondStart.send("AreYouThere\nControlPanel\n");
        presence = secondStart.reply(3000);   // the box's own event loop runs meanwhile
        QTest::qWait(50);
        panelWaited = !secondStart.socket.canReadLine() && !m_target->calls.contains("ControlPanel");
    };
    importer.send("LoadNote|/home/ann/a.NoteFile\n");
    QCOMPARE(importer.reply(), QByteArray("ACK"));
    QCOMPARE(presence, QByteArray("ACK"));
    QVERIFY(panelWaited);
    QCOMPARE(secondStart.reply(), QByteArray("ACK"));
    QCOMPARE(m_target->calls, (QStringList{"LoadNote:/home/ann/a.NoteFile", "ControlPanel"}));
}

void TestControlChannel::connectionsAreCapped()
{
    QVERIFY(startServer());
    std::vector<std::unique_ptr<Peer>> peers;
    for (int i = 0; i < ControlServer::kMaxConnections; ++i) {
        peers.push_back(std::make_unique<Peer>());
        QVERIFY(peers.back()->connectTo(m_server->endpointPath()));
        QTRY_COMPARE(m_server->connectionCount(), i + 1);   // taken before the backlog fills
    }
    Peer extra;
    QVERIFY(extra.connectTo(m_server->endpointPath()));   // the system takes it; the server closes it
    QTRY_COMPARE(extra.socket.state(), QLocalSocket::UnconnectedState);
    QCOMPARE(peers.back()->ask("AreYouThere"), QByteArray("ACK"));
    // One conversation less, and a new one is served again.
    peers.front()->socket.abort();
    QTRY_COMPARE(m_server->connectionCount(), ControlServer::kMaxConnections - 1);
    Peer next;
    QVERIFY(next.connectTo(m_server->endpointPath()));
    QCOMPARE(next.ask("AreYouThere"), QByteArray("ACK"));
}

void TestControlChannel::idleConnectionsAreDropped()
{
    m_server->setIdleTimeout(300);
    QVERIFY(startServer());
    Peer idle;
    Peer syncing;
    QVERIFY(idle.connectTo(m_server->endpointPath()));
    QVERIFY(syncing.connectTo(m_server->endpointPath()));
    QCOMPARE(idle.ask("AreYouThere"), QByteArray("ACK"));
    QCOMPARE(syncing.ask("SyncOn"), QByteArray("ACK"));
    QTRY_COMPARE_WITH_TIMEOUT(idle.socket.state(), QLocalSocket::UnconnectedState, 5000);
    // A synchronisation in progress may take its time between its commands.
    QTest::qWait(600);
    QCOMPARE(syncing.socket.state(), QLocalSocket::ConnectedState);
    QCOMPARE(syncing.ask("SyncOff"), QByteArray("ACK"));
    QCOMPARE(m_target->calls, (QStringList{"SyncOn", "SyncOff"}));
}

void TestControlChannel::serverListensAgainAfterItStopped()
{
    // The local server closes itself when an accept fails (no file descriptor left).
    m_server->setIdleTimeout(400);
    QVERIFY(startServer());
    auto *local = m_server->findChild<QLocalServer *>();
    QVERIFY(local);
    local->close();
    QVERIFY(!m_server->isListening());
    QTRY_VERIFY_WITH_TIMEOUT(m_server->isListening(), 5000);
    Peer peer;
    QVERIFY(peer.connectTo(m_server->endpointPath()));
    QCOMPARE(peer.ask("AreYouThere"), QByteArray("ACK"));
}

void TestControlChannel::greedyClientsAreDropped_data()
{
    QTest::addColumn<QString>("client");
    QTest::newRow("never reads its answers") << QStringLiteral("flood");
    QTest::newRow("many unfinished lines") << QStringLiteral("partial");
}

void TestControlChannel::greedyClientsAreDropped()
{
    QFETCH(QString, client);
    QVERIFY(startServer());
    std::vector<std::unique_ptr<Peer>> greedy;
    if (client == QLatin1String("flood")) {
        greedy.push_back(std::make_unique<Peer>());
        QVERIFY(greedy.back()->connectTo(m_server->endpointPath()));
        // Blank lines, each answered "NAK", none of the answers read.
        const QByteArray blanks(256 * 1024, '\n');
        for (int i = 0; i < 8 && greedy.back()->socket.state() == QLocalSocket::ConnectedState; ++i) {
            greedy.back()->send(blanks);
            QTest::qWait(20);
        }
    } else {
        // Each below the longest command, together beyond what the channel holds.
        const QByteArray unfinished(60 * 1024, 'a');
        for (int i = 0; i < 24; ++i) {
            greedy.push_back(std::make_unique<Peer>());
            QVERIFY(greedy.back()->connectTo(m_server->endpointPath()));
            greedy.back()->send(unfinished);
            QTest::qWait(5);
        }
    }
    QTRY_VERIFY_WITH_TIMEOUT(std::any_of(greedy.begin(), greedy.end(), [](const auto &p) {
                                 return p->socket.state() == QLocalSocket::UnconnectedState;
                             }),
                             10000);
    if (client == QLatin1String("partial"))
        QTRY_VERIFY(m_server->connectionCount() <= int(ControlServer::kMaxBufferedBytes / (60 * 1024)) + 1);
    // Everybody else is served as before.
    Peer polite;
    QVERIFY(polite.connectTo(m_server->endpointPath()));
    QCOMPARE(polite.ask("AreYouThere"), QByteArray("ACK"));
    QVERIFY(m_target->calls.isEmpty());
}

void TestControlChannel::clientGoneMidCommand_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QStringList>("calls");

    QTest::newRow("during a load") << QByteArray("LoadNotes") << QStringList{"LoadNotes"};
    QTest::newRow("during SyncOn") << QByteArray("SyncOn") << QStringList{"SyncOn", "SyncOff"};
    QTest::newRow("with commands queued behind")
        << QByteArray("SaveNotes\nUnloadNotes") << QStringList{"SaveNotes", "UnloadNotes"};
}

void TestControlChannel::clientGoneMidCommand()
{
    QFETCH(QByteArray, command);
    QFETCH(QStringList, calls);

    QVERIFY(startServer());
    auto peer = std::make_unique<Peer>();
    QVERIFY(peer->connectTo(m_server->endpointPath()));
    const QString first = QString::fromUtf8(command.split('\n').first());
    m_target->during[first] = [&] {
        peer->socket.abort();
        peer.reset();
        QTest::qWait(50);
    };
    peer->send(command + '\n');
    QTRY_COMPARE(m_target->calls, calls);
    QTest::qWait(20);
    QCOMPARE(m_target->calls, calls);
    QVERIFY(!m_server->isSynchronising());

    Peer next;
    QVERIFY(next.connectTo(m_server->endpointPath()));
    QCOMPARE(next.ask("AreYouThere"), QByteArray("ACK"));
}

void TestControlChannel::serverStoppedMidCommand()
{
    QVERIFY(startServer());
    Peer peer;
    QVERIFY(peer.connectTo(m_server->endpointPath()));
    m_target->during[QStringLiteral("SaveNotes")] = [&] { m_server->stop(); };
    peer.send("SaveNotes\nLoadNotes\n");
    QTRY_COMPARE(peer.socket.state(), QLocalSocket::UnconnectedState);
    QVERIFY(!peer.socket.canReadLine());
    QCOMPARE(m_target->calls, QStringList{"SaveNotes"});
    QVERIFY(!QFileInfo::exists(pellux::ControlEndpointPath()));
}

// --- the client -------------------------------------------------------------

void TestControlChannel::handOver_data()
{
    QTest::addColumn<bool>("serverUp");
    QTest::addColumn<bool>("loading");
    QTest::addColumn<bool>("importAccepted");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("answered");
    QTest::addColumn<int>("loadNote");   // Reply
    QTest::addColumn<QStringList>("calls");

    const int accepted = int(Reply::Accepted), refused = int(Reply::Refused), none = int(Reply::NoAnswer);
    QTest::newRow("handed over") << true << false << true << "/home/ann/My Notes.NoteFile" << true << accepted
                                 << QStringList{"LoadNote:/home/ann/My Notes.NoteFile"};
    QTest::newRow("relative path made absolute") << true << false << true << "sub/a.NoteFile" << true << accepted
                                                 << QStringList{"@work/sub/a.NoteFile"};
    QTest::newRow("import refused is still a hand-over") << true << false << false << "/home/ann/a.NoteFile"
                                                         << true << refused
                                                         << QStringList{"LoadNote:/home/ann/a.NoteFile"};
    QTest::newRow("instance still loading") << true << true << true << "/home/ann/a.NoteFile" << false << none
                                            << QStringList{};
    QTest::newRow("no instance") << false << false << true << "/home/ann/a.NoteFile" << false << none
                                 << QStringList{};
    QTest::newRow("line break in the path is not sent") << true << false << true << "/home/ann/a\nExit" << true
                                                        << refused << QStringList{};
}

void TestControlChannel::handOver()
{
    QFETCH(bool, serverUp);
    QFETCH(bool, loading);
    QFETCH(bool, importAccepted);
    QFETCH(QString, path);
    QFETCH(bool, answered);
    QFETCH(int, loadNote);
    QFETCH(QStringList, calls);

    m_target->loading = loading;
    m_target->importResult = importAccepted;
    if (serverUp)
        QVERIFY(startServer());
    for (QString &call : calls)
        call.replace(QLatin1String("@work"), QStringLiteral("LoadNote:") + QDir::currentPath());

    const auto result = onClientThread([path] { return ControlClient().SendDDERequest(path); });
    QCOMPARE(result.instanceAnswered, answered);
    QCOMPARE(int(result.loadNote), loadNote);
    QTest::qWait(20);
    QCOMPARE(m_target->calls, calls);
}

void TestControlChannel::openControlPanel_data()
{
    QTest::addColumn<bool>("serverUp");
    QTest::addColumn<bool>("loading");
    QTest::addColumn<bool>("opened");

    QTest::newRow("running instance") << true << false << true;
    QTest::newRow("instance still loading") << true << true << false;
    QTest::newRow("no instance") << false << false << false;
}

void TestControlChannel::openControlPanel()
{
    QFETCH(bool, serverUp);
    QFETCH(bool, loading);
    QFETCH(bool, opened);

    m_target->loading = loading;
    if (serverUp)
        QVERIFY(startServer());
    QCOMPARE(onClientThread([] { return ControlClient().OpenControlPanel(); }), opened);
    QTest::qWait(20);
    QCOMPARE(m_target->calls, opened ? QStringList{"ControlPanel"} : QStringList{});
}

void TestControlChannel::clientGivesUpOnABadServer_data()
{
    QTest::addColumn<QByteArray>("answer");   // what the fake sends on each connection
    QTest::addColumn<bool>("hangUp");

    QTest::newRow("never answers") << QByteArray() << false;
    QTest::newRow("answers nonsense") << QByteArray("HELLO\n") << false;
    QTest::newRow("hangs up") << QByteArray() << true;
}

void TestControlChannel::clientGivesUpOnABadServer()
{
    QFETCH(QByteArray, answer);
    QFETCH(bool, hangUp);

    QLocalServer fake;
    QVERIFY(fake.listen(pellux::ControlEndpointPath()));
    connect(&fake, &QLocalServer::newConnection, &fake, [&] {
        while (QLocalSocket *s = fake.nextPendingConnection()) {
            connect(s, &QLocalSocket::readyRead, s, [s, answer, hangUp] {
                s->readAll();
                if (!answer.isEmpty())
                    s->write(answer);
                if (hangUp)
                    s->disconnectFromServer();
            });
        }
    });

    struct Outcome
    {
        Reply reply = Reply::Accepted;
        bool stillOpen = true;
        bool handedOver = true;
    };
    const Outcome outcome = onClientThread([] {
        Outcome o;
        ControlClient client(300);
        if (client.open()) {
            o.reply = client.execute(QStringLiteral("AreYouThere"));
            o.stillOpen = client.isOpen();
        }
        o.handedOver = ControlClient(300).SendDDERequest(QStringLiteral("/home/ann/a.NoteFile")).instanceAnswered;
        return o;
    });
    QCOMPARE(int(outcome.reply), int(Reply::NoAnswer));
    QVERIFY(!outcome.stillOpen);   // a late answer must not pass for the next command's
    QVERIFY(!outcome.handedOver);
}

// --- instance lock ------------------------------------------------------------

void TestControlChannel::instanceLockAdmitsOne()
{
    pellux::InstanceLock first;
    pellux::InstanceLock second;
    QCOMPARE(first.path(), pellux::ControlLockPath());
    const mode_t oldMask = ::umask(022);
    QVERIFY(first.tryLock());
    ::umask(oldMask);
    QCOMPARE(modeOf(first.path()), 0600);
    QVERIFY(!second.tryLock(100));
    QVERIFY(second.errorString().contains(QString::number(QCoreApplication::applicationPid())));
    first.unlock();
    QVERIFY(second.tryLock());
    QVERIFY(second.isLocked());
}

void TestControlChannel::instanceLockTakesOverFromADeadProcess()
{
    // A lock file as a crashed instance leaves it: ours, with the pid of a finished process.
    const QString path = pellux::ControlLockPath();
    QByteArray content;
    {
        QLockFile model(path);
        QVERIFY(model.tryLock());
        content = pellux::test::TestEnvironment::readFile(path);
        model.unlock();
    }
    QProcess gone;
    gone.start(QStringLiteral("true"));
    QVERIFY(gone.waitForStarted());
    const qint64 deadPid = gone.processId();
    QVERIFY(gone.waitForFinished());
    QList<QByteArray> lines = content.split('\n');
    QVERIFY(lines.size() > 2);
    lines[0] = QByteArray::number(deadPid);
    QVERIFY(pellux::test::TestEnvironment::writeFile(path, lines.join('\n')));

    pellux::InstanceLock lock;
    QVERIFY2(lock.tryLock(), qPrintable(lock.errorString()));
}

// --- pellux-send ----------------------------------------------------------------

void TestControlChannel::sendTool_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("serverUp");
    QTest::addColumn<bool>("loading");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("calls");

    QTest::newRow("accepted") << QStringList{"SaveNotes"} << true << false << 0 << QStringList{"SaveNotes"};
    QTest::newRow("note import") << QStringList{"LoadNote|/home/ann/a.NoteFile"} << true << false << 0
                                 << QStringList{"LoadNote:/home/ann/a.NoteFile"};
    QTest::newRow("unknown command") << QStringList{"Bogus"} << true << false << 1 << QStringList{};
    QTest::newRow("refused while loading") << QStringList{"AreYouThere"} << true << true << 1 << QStringList{};
    QTest::newRow("no instance") << QStringList{"AreYouThere"} << false << false << 2 << QStringList{};
    // A wrong command line is told apart from an absent Pellux (EX_USAGE), with or without one running.
    QTest::newRow("no command") << QStringList{} << true << false << 64 << QStringList{};
    QTest::newRow("no command, no instance") << QStringList{} << false << false << 64 << QStringList{};
    QTest::newRow("two commands") << QStringList{"SyncOn", "SaveNotes"} << true << false << 64 << QStringList{};
    QTest::newRow("line break") << QStringList{"AreYouThere\nExit"} << true << false << 64 << QStringList{};
    // A path holding a line break would end the command early and start another.
    QTest::newRow("note path with a line break") << QStringList{"LoadNote|/home/ann/a\nExit"} << true << false << 64
                                                 << QStringList{};
}

void TestControlChannel::sendTool()
{
    QFETCH(QStringList, args);
    QFETCH(bool, serverUp);
    QFETCH(bool, loading);
    QFETCH(int, exitCode);
    QFETCH(QStringList, calls);

    const QString tool = QStringLiteral(PELLUX_BIN_DIR "/pellux-send");
    if (!QFileInfo(tool).isExecutable())
        QSKIP("pellux-send is not built; build the pellux-send target first");

    m_target->loading = loading;
    if (serverUp)
        QVERIFY(startServer());

    QProcess process;
    process.start(tool, args);
    QVERIFY(process.waitForStarted());
    QVERIFY(QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 20000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), exitCode);
    // A wrong command line gets the usage, which names its exit status.
    if (exitCode == 64) {
        const QByteArray err = process.readAllStandardError();
        QVERIFY(err.contains("usage: pellux-send COMMAND"));
        QVERIFY(err.contains("64 the command line was wrong"));
    }
    QTest::qWait(20);
    QCOMPARE(m_target->calls, calls);
}

QTEST_GUILESS_MAIN(TestControlChannel)
#include "tst_controlchannel.moc"
