#include "core/ControlChannel.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QStringDecoder>

#include <optional>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace pellux {

// ---------------------------------------------------------------------------
// Endpoint
// ---------------------------------------------------------------------------

namespace {

void setError(QString *errorString, const QString &text)
{
    if (errorString)
        *errorString = text;
}

#ifdef Q_OS_UNIX
QString systemError(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

/// A folder fit to hold the socket as it stands: ours, a real folder, closed to others.
bool isPrivateFolder(const QString &folder, QString *why)
{
    const QByteArray native = QFile::encodeName(folder);
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0) {
        *why = systemError(errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        *why = QStringLiteral("not a folder");
        return false;
    }
    if (st.st_uid != ::geteuid()) {
        *why = QStringLiteral("belongs to another user");
        return false;
    }
    if ((st.st_mode & 077) != 0) {
        *why = QStringLiteral("open to other users");
        return false;
    }
    if (::access(native.constData(), W_OK | X_OK) != 0) {
        *why = systemError(errno);
        return false;
    }
    return true;
}

/// "<temp>/pellux-<uid>", made or repaired to mode 0700.
QString fallbackFolder(QString *errorString)
{
    const QString folder = QDir::tempPath() + QStringLiteral("/pellux-") + QString::number(::geteuid());
    const QByteArray native = QFile::encodeName(folder);
    const auto fail = [&](const QString &why) {
        setError(errorString, QStringLiteral("Cannot use the folder %1 for the control channel: %2").arg(folder, why));
        return QString();
    };

    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return fail(systemError(errno));

    // Whether just made or found, check what is really there (lstat: a link planted
    // in the shared temp folder must not lead us elsewhere).
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0)
        return fail(systemError(errno));
    if (!S_ISDIR(st.st_mode))
        return fail(QStringLiteral("not a folder"));
    if (st.st_uid != ::geteuid())
        return fail(QStringLiteral("belongs to another user"));
    // Others could have left a socket of their own in a folder they could write to.
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return fail(QStringLiteral("others may write into it"));
    if ((st.st_mode & 0777) != 0700 && ::chmod(native.constData(), 0700) != 0)
        return fail(systemError(errno));
    return folder;
}
#endif

} // namespace

QString ControlEndpointFolder(QString *errorString)
{
#ifdef Q_OS_UNIX
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime)) {
        QString why;
        if (isPrivateFolder(runtime, &why))
            return QDir::cleanPath(runtime);
    }
    return fallbackFolder(errorString);
#else
    const QString folder = QDir::tempPath() + QStringLiteral("/pellux");
    if (!QDir().mkpath(folder)) {
        setError(errorString, QStringLiteral("Cannot create the folder %1 for the control channel").arg(folder));
        return QString();
    }
    return folder;
#endif
}

QString ControlEndpointPath(QString *errorString)
{
    const QString folder = ControlEndpointFolder(errorString);
    if (folder.isEmpty())
        return QString();
    return folder + QLatin1Char('/') + QLatin1String(kControlEndpointName);
}

QString ControlLockPath(QString *errorString)
{
    const QString endpoint = ControlEndpointPath(errorString);
    if (endpoint.isEmpty())
        return QString();
    return endpoint + QStringLiteral(".lock");
}

// ---------------------------------------------------------------------------
// Commands
// ---------------------------------------------------------------------------

namespace {

struct CommandName
{
    const char *name;
    ControlCommandKind kind;
};

// Whole-name commands, in the order they are tried. The note import is the prefix
// rule after them, which is why "LoadNotes" must be found here first.
constexpr CommandName kCommandTable[] = {
    {"AreYouThere", ControlCommandKind::AreYouThere},
    {"SyncOn", ControlCommandKind::SyncOn},
    {"SyncOff", ControlCommandKind::SyncOff},
    {"ControlPanel", ControlCommandKind::ControlPanel},
    {"Exit", ControlCommandKind::Exit},
    {"SaveNotes", ControlCommandKind::SaveNotes},
    {"LoadNotes", ControlCommandKind::LoadNotes},
    {"UnloadNotes", ControlCommandKind::UnloadNotes},
};

constexpr QLatin1StringView kLoadNotePrefix("LoadNote");
constexpr qsizetype kLoadNotePathStart = 9;   // the tenth character

} // namespace

ControlCommand DecodeCommand(const QString &command)
{
    for (const CommandName &entry : kCommandTable) {
        if (command == QLatin1StringView(entry.name))
            return {entry.kind, QString()};
    }
    if (command.startsWith(kLoadNotePrefix, Qt::CaseSensitive))
        return {ControlCommandKind::LoadNote, command.mid(kLoadNotePathStart)};
    return {ControlCommandKind::Unknown, QString()};
}

// ---------------------------------------------------------------------------
// Server
// ---------------------------------------------------------------------------

struct ControlServer::Connection
{
    quint64 id = 0;
    QPointer<QLocalSocket> socket;
    QByteArray partial;                         ///< bytes of a line not yet ended by LF
    /// Received, not yet answered, in order; nullopt: refused on arrival (unreadable,
    /// or it came while the store was loading).
    QList<std::optional<QString>> lines;
    bool discarding = false;                    ///< skipping the rest of an overlong line
    bool running = false;                       ///< one of its commands is executing
    bool syncMark = false;                      ///< sent "SyncOn" and no "SyncOff" yet
    bool closed = false;                        ///< the client has gone
    bool finished = false;                      ///< dropped by the server
};

namespace {

/// A line as a command, or nothing when it is not clean UTF-8 or holds a NUL
/// (a path with a NUL would open a different file than the one named).
std::optional<QString> decodeLine(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    if (decoder.hasError() || text.contains(QChar(u'\0')))
        return std::nullopt;
    return text;
}

} // namespace

ControlServer::ControlServer(ControlTarget *target, QObject *parent)
    : QObject(parent)
    , m_target(target)
{
    Q_ASSERT(m_target);
}

ControlServer::~ControlServer()
{
    stop();
}

bool ControlServer::start(QString *errorString)
{
    if (isListening())
        return true;

    QString error;
    const QString path = ControlEndpointPath(&error);
    if (path.isEmpty()) {
        setError(errorString, error);
        return false;
    }

    // Is somebody listening already? Only a socket nobody answers on may be replaced.
    {
        QLocalSocket probe;
        probe.connectToServer(path);
        if (probe.waitForConnected(1000)) {
            probe.abort();
            setError(errorString, QStringLiteral("Another instance already listens on %1").arg(path));
            return false;
        }
        switch (probe.error()) {
        case QLocalSocket::ServerNotFoundError:
            break;
        case QLocalSocket::ConnectionRefusedError:
            // Left behind by an instance that did not end cleanly.
            if (!QLocalServer::removeServer(path)) {
                setError(errorString, QStringLiteral("Cannot remove the stale control socket %1").arg(path));
                return false;
            }
            break;
        default:
            setError(errorString, QStringLiteral("Cannot check the control socket %1: %2")
                                      .arg(path, probe.errorString()));
            return false;
        }
    }

    // No UserAccessOption: it binds elsewhere and renames onto the path, which would
    // silently take the endpoint from an instance that started listening meanwhile.
    // A plain bind fails instead; the folder is private, and the mode is set below.
    auto *server = new QLocalServer(this);
    if (!server->listen(path)) {
        setError(errorString, QStringLiteral("Cannot listen on %1: %2").arg(path, server->errorString()));
        delete server;
        return false;
    }
    if (!QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        setError(errorString, QStringLiteral("Cannot restrict the control socket %1 to its owner").arg(path));
        server->close();
        delete server;
        return false;
    }
    connect(server, &QLocalServer::newConnection, this, &ControlServer::acceptConnections);
    m_server = server;
    m_path = path;
    return true;
}

void ControlServer::stop()
{
    if (m_server) {
        m_server->disconnect(this);
        m_server->close();   // removes the socket file
        m_server->deleteLater();
        m_server = nullptr;
    }
    const auto connections = std::move(m_connections);
    m_connections.clear();
    for (const auto &[id, conn] : connections) {
        conn->finished = true;
        conn->syncMark = false;
        conn->lines.clear();
        if (QLocalSocket *socket = conn->socket) {
            socket->disconnect(this);
            socket->abort();
            socket->deleteLater();
        }
    }
}

bool ControlServer::isListening() const
{
    return m_server && m_server->isListening();
}

bool ControlServer::isSynchronising() const
{
    for (const auto &[id, conn] : m_connections) {
        if (conn->syncMark)
            return true;
    }
    return false;
}

void ControlServer::acceptConnections()
{
    while (m_server) {
        QLocalSocket *socket = m_server->nextPendingConnection();
        if (!socket)
            break;
        auto conn = std::make_shared<Connection>();
        conn->id = m_nextId++;
        conn->socket = socket;
        m_connections.emplace(conn->id, conn);

        const std::weak_ptr<Connection> weak = conn;
        connect(socket, &QLocalSocket::readyRead, this, [this, weak] {
            if (auto c = weak.lock())
                readFrom(c);
        });
        connect(socket, &QLocalSocket::disconnected, this, [this, weak] {
            if (auto c = weak.lock())
                onDisconnected(c);
        });
        readFrom(conn);
    }
}

void ControlServer::readFrom(const ConnectionPtr &conn)
{
    if (!conn->socket || conn->finished)
        return;
    const QByteArray data = conn->socket->readAll();
    if (data.isEmpty())
        return;

    qsizetype pos = 0;
    while (pos < data.size()) {
        const qsizetype lf = data.indexOf('\n', pos);
        if (lf < 0) {
            if (!conn->discarding) {
                conn->partial += data.mid(pos);
                if (conn->partial.size() > kMaxCommandBytes) {
                    conn->partial.clear();
                    conn->lines.append(std::nullopt);
                    conn->discarding = true;
                }
            }
            break;
        }
        if (conn->discarding) {
            conn->discarding = false;   // this LF ends the overlong line already refused
        } else {
            const QByteArray line = conn->partial + data.mid(pos, lf - pos);
            conn->partial.clear();
            // The loading flag is judged when the command arrives: one sent while the
            // store loads is refused even if its answer has to wait its turn.
            if (line.size() > kMaxCommandBytes || m_exitPending || m_target->isLoading())
                conn->lines.append(std::nullopt);
            else
                conn->lines.append(decodeLine(line));
        }
        pos = lf + 1;
    }
    // Commands never run inside the socket's own signal: a command may let events
    // run or stop the server, and the socket must not be torn down under itself.
    schedulePump();
}

void ControlServer::onDisconnected(const ConnectionPtr &conn)
{
    readFrom(conn);   // whatever arrived just before the close still counts
    conn->closed = true;
    schedulePump();
}

void ControlServer::schedulePump()
{
    if (m_pumpScheduled)
        return;
    m_pumpScheduled = true;
    QMetaObject::invokeMethod(this, &ControlServer::pump, Qt::QueuedConnection);
}

void ControlServer::pump()
{
    m_pumpScheduled = false;
    QList<ConnectionPtr> snapshot;
    for (const auto &[id, conn] : m_connections)
        snapshot.append(conn);

    QPointer<ControlServer> self(this);
    for (const ConnectionPtr &conn : snapshot) {
        if (conn->finished)
            continue;
        serve(conn);
        if (!self)
            return;
    }
}

void ControlServer::serve(const ConnectionPtr &conn)
{
    QPointer<ControlServer> self(this);
    // Answers go out in the order the commands came on the connection, so nothing
    // of a connection is answered while one of its commands runs.
    while (!conn->lines.isEmpty() && !conn->finished && !conn->running) {
        // Refusals are answered at once, even in the middle of another connection's
        // command; any other command waits until the running one is done.
        const bool refuse = !conn->lines.first() || m_exitPending || m_target->isLoading();
        if (!refuse && m_executing)
            return;
        const std::optional<QString> line = conn->lines.takeFirst();
        if (refuse) {
            reply(conn, false);
            continue;
        }
        const ControlCommandKind kind = DecodeCommand(*line).kind;
        conn->running = true;
        const bool accepted = run(conn, *line);
        if (!self)
            return;
        conn->running = false;
        reply(conn, accepted);
        if (kind == ControlCommandKind::Exit)
            QMetaObject::invokeMethod(this, &ControlServer::runExit, Qt::QueuedConnection);
        // Commands that waited on other connections get their turn.
        schedulePump();
    }
    if (conn->closed && !conn->finished && !m_executing && conn->lines.isEmpty())
        finish(conn);
}

bool ControlServer::run(const ConnectionPtr &conn, const QString &command)
{
    const ControlCommand cmd = DecodeCommand(command);
    QPointer<ControlServer> self(this);
    m_executing = true;
    bool accepted = true;
    switch (cmd.kind) {
    case ControlCommandKind::AreYouThere:
        break;
    case ControlCommandKind::SyncOn:
        conn->syncMark = true;
        m_target->channelSyncOn();
        break;
    case ControlCommandKind::SyncOff:
        for (const auto &[id, c] : m_connections)
            c->syncMark = false;
        conn->syncMark = false;
        m_target->channelSyncOff();
        break;
    case ControlCommandKind::ControlPanel:
        m_target->channelControlPanel();
        break;
    case ControlCommandKind::Exit:
        // Answered first, run from the event loop; nothing else is taken meanwhile.
        m_exitPending = true;
        break;
    case ControlCommandKind::SaveNotes:
        m_target->channelSaveNotes();
        break;
    case ControlCommandKind::LoadNotes:
        m_target->channelLoadNotes();
        break;
    case ControlCommandKind::UnloadNotes:
        m_target->channelUnloadNotes();
        break;
    case ControlCommandKind::LoadNote:
        // "LoadNote" or "LoadNote|" alone names no file: refuse without trying.
        accepted = !cmd.path.isEmpty() && m_target->channelLoadNote(cmd.path);
        break;
    case ControlCommandKind::Unknown:
        accepted = false;
        break;
    }
    if (self)
        m_executing = false;
    return accepted;
}

void ControlServer::reply(const ConnectionPtr &conn, bool accepted)
{
    QLocalSocket *socket = conn->socket;
    if (!socket || conn->finished || socket->state() != QLocalSocket::ConnectedState)
        return;   // the client has gone; the command still counted
    socket->write(accepted ? "ACK\n" : "NAK\n");
    socket->flush();
    // "Exit" ends the process right after; make sure the answer has left by then.
    if (m_exitPending && socket->bytesToWrite() > 0)
        socket->waitForBytesWritten(1000);
}

void ControlServer::finish(const ConnectionPtr &conn)
{
    conn->finished = true;
    m_connections.erase(conn->id);
    if (QLocalSocket *socket = conn->socket) {
        socket->disconnect(this);
        socket->deleteLater();
    }
    // A conversation that opened a synchronisation and went away must not leave its
    // banner up; another one still synchronising keeps it.
    if (conn->syncMark) {
        conn->syncMark = false;
        if (!isSynchronising()) {
            QPointer<ControlServer> self(this);
            m_executing = true;
            m_target->channelSyncOff();
            if (!self)
                return;
            m_executing = false;
            schedulePump();
        }
    }
}

void ControlServer::runExit()
{
    QPointer<ControlServer> self(this);
    m_target->channelExit();
    if (!self)
        return;
    // Normally the process is gone by now; if the exit did not happen, listen again.
    m_exitPending = false;
    schedulePump();
}

// ---------------------------------------------------------------------------
// Client
// ---------------------------------------------------------------------------

namespace {
constexpr qsizetype kMaxReplyBytes = 64;
}

ControlClient::ControlClient(int timeoutMs)
    : m_timeoutMs(timeoutMs)
{
}

ControlClient::~ControlClient()
{
    close();
}

bool ControlClient::open()
{
    close();
    m_error.clear();
    const QString path = ControlEndpointPath(&m_error);
    if (path.isEmpty())
        return false;
    m_socket = std::make_unique<QLocalSocket>();
    m_socket->connectToServer(path);
    if (!m_socket->waitForConnected(m_timeoutMs)) {
        switch (m_socket->error()) {
        case QLocalSocket::ServerNotFoundError:
        case QLocalSocket::ConnectionRefusedError:
            m_error = QStringLiteral("no instance listens on %1").arg(path);
            break;
        default:
            m_error = m_socket->errorString();
            break;
        }
        m_socket.reset();
        return false;
    }
    return true;
}

bool ControlClient::isOpen() const
{
    return m_socket && m_socket->state() == QLocalSocket::ConnectedState;
}

ControlClient::Reply ControlClient::execute(const QString &command)
{
    if (!isOpen()) {
        if (m_error.isEmpty())
            m_error = QStringLiteral("The conversation is not open");
        return Reply::NoAnswer;
    }
    if (command.contains(QLatin1Char('\n')) || command.contains(QChar(u'\0'))) {
        m_error = QStringLiteral("A command cannot hold a line break or a NUL");
        return Reply::Refused;
    }

    const auto broken = [this](const QString &why) {
        m_error = why;
        close();
        return Reply::NoAnswer;
    };

    const QByteArray data = command.toUtf8() + '\n';
    QElapsedTimer timer;
    timer.start();
    const auto remaining = [&] { return int(qMax<qint64>(0, m_timeoutMs - timer.elapsed())); };

    if (m_socket->write(data) != data.size())
        return broken(m_socket->errorString());
    while (m_socket->bytesToWrite() > 0) {
        if (!m_socket->waitForBytesWritten(remaining()))
            return broken(QStringLiteral("Could not send the command: %1").arg(m_socket->errorString()));
    }
    while (!m_socket->canReadLine()) {
        if (m_socket->bytesAvailable() > kMaxReplyBytes)
            return broken(QStringLiteral("The running instance gave an unreadable answer"));
        const int left = remaining();
        if (left <= 0)
            return broken(QStringLiteral("The running instance did not answer in time"));
        if (!m_socket->waitForReadyRead(left) && !m_socket->canReadLine()
            && m_socket->state() != QLocalSocket::ConnectedState)
            return broken(QStringLiteral("The running instance closed the conversation"));
    }
    QByteArray line = m_socket->readLine(kMaxReplyBytes);
    if (line.endsWith('\n'))
        line.chop(1);
    if (line == "ACK")
        return Reply::Accepted;
    if (line == "NAK") {
        m_error = QStringLiteral("The running instance refused the command");
        return Reply::Refused;
    }
    return broken(QStringLiteral("The running instance gave an unreadable answer"));
}

void ControlClient::close()
{
    if (!m_socket)
        return;
    m_socket->disconnectFromServer();
    if (m_socket->state() != QLocalSocket::UnconnectedState)
        m_socket->abort();
    m_socket.reset();
}

ControlClient::HandOver ControlClient::SendDDERequest(const QString &path)
{
    HandOver result;
    if (!open() || execute(QStringLiteral("AreYouThere")) != Reply::Accepted) {
        close();
        return result;
    }
    result.instanceAnswered = true;
    const QString target = path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
    result.loadNote = execute(QStringLiteral("LoadNote|") + target);
    close();
    return result;
}

bool ControlClient::OpenControlPanel()
{
    const bool accepted = open() && execute(QStringLiteral("ControlPanel")) == Reply::Accepted;
    close();
    return accepted;
}

// ---------------------------------------------------------------------------
// Instance lock
// ---------------------------------------------------------------------------

InstanceLock::InstanceLock(const QString &path)
    : m_path(path.isEmpty() ? ControlLockPath(&m_error) : path)
{
    if (m_path.isEmpty())
        return;
    m_lock = std::make_unique<QLockFile>(m_path);
    // The running instance holds it for its whole life: age says nothing. A lock is
    // stale only when the process that wrote it is gone.
    m_lock->setStaleLockTime(0);
}

InstanceLock::~InstanceLock() = default;

bool InstanceLock::tryLock(int timeoutMs)
{
    if (!m_lock)
        return false;
    if (m_lock->isLocked())
        return true;
    if (m_lock->tryLock(timeoutMs)) {
        m_error.clear();
        return true;
    }
    switch (m_lock->error()) {
    case QLockFile::LockFailedError: {
        qint64 pid = 0;
        QString host;
        QString app;
        if (m_lock->getLockInfo(&pid, &host, &app))
            m_error = QStringLiteral("Another instance (process %1) holds %2").arg(pid).arg(m_path);
        else
            m_error = QStringLiteral("Another instance holds %1").arg(m_path);
        break;
    }
    case QLockFile::PermissionError:
        m_error = QStringLiteral("No permission to create %1").arg(m_path);
        break;
    default:
        m_error = QStringLiteral("Cannot lock %1").arg(m_path);
        break;
    }
    return false;
}

void InstanceLock::unlock()
{
    if (m_lock)
        m_lock->unlock();
}

bool InstanceLock::isLocked() const
{
    return m_lock && m_lock->isLocked();
}

} // namespace pellux
