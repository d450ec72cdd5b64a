#include "core/channel/ControlServer.h"

#include "core/channel/ChannelErrors.h"
#include "core/channel/ControlCommand.h"
#include "core/channel/ControlEndpoint.h"

#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QStringDecoder>
#include <QTimer>

#include <optional>

namespace pellux {

using channeldetail::setError;

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
    QElapsedTimer lastActive;                   ///< since the last line in or answer out
};


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
    if (!m_watch) {
        m_watch = new QTimer(this);
        connect(m_watch, &QTimer::timeout, this, &ControlServer::watch);
    }
    m_watch->start(qBound(50, m_idleTimeoutMs / 2, 5000));
    return true;
}

void ControlServer::watch()
{
    if (m_server && !m_server->isListening()) {
        // The local server gives up for good when an accept fails; listen anew.
        m_server->disconnect(this);
        m_server->deleteLater();
        m_server = nullptr;
        QString error;
        if (!start(&error))
            qWarning("Pellux: the control channel could not listen again: %s", qPrintable(error));
    }
    QList<ConnectionPtr> idle;
    for (const auto &[id, conn] : m_connections) {
        // A synchronisation in progress may take its time between commands.
        if (!conn->running && conn->lines.isEmpty() && !conn->syncMark
            && conn->lastActive.hasExpired(m_idleTimeoutMs))
            idle.append(conn);
    }
    for (const ConnectionPtr &conn : std::as_const(idle))
        drop(conn);
}

void ControlServer::drop(const ConnectionPtr &conn)
{
    if (conn->finished)
        return;
    conn->lines.clear();
    conn->partial.clear();
    if (QLocalSocket *socket = conn->socket)
        socket->abort();
    finish(conn);
}

qsizetype ControlServer::bufferedBytes() const
{
    qsizetype total = 0;
    for (const auto &[id, conn] : m_connections)
        total += conn->partial.size();
    return total;
}

void ControlServer::stop()
{
    if (m_watch)
        m_watch->stop();
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
        if (int(m_connections.size()) >= kMaxConnections) {
            // Each conversation holds a file descriptor; running out of them would
            // end the channel for everyone.
            socket->abort();
            socket->deleteLater();
            continue;
        }
        // What arrives faster than it is taken waits in the system, not here.
        socket->setReadBufferSize(kMaxCommandBytes);
        auto conn = std::make_shared<Connection>();
        conn->id = m_nextId++;
        conn->socket = socket;
        conn->lastActive.start();
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
    conn->lastActive.start();

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
                conn->lines.append(DecodeCommandLine(line));
        }
        pos = lf + 1;
    }
    // A client that sends faster than it reads, or holds much in unfinished lines,
    // would make the channel's memory grow without end: it is dropped.
    if (conn->lines.size() > kMaxWaitingCommands || bufferedBytes() > kMaxBufferedBytes) {
        drop(conn);
        return;
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
        // "AreYouThere" changes nothing, so it is answered at once as well: a command
        // that waits on a box must not make a second start think nobody runs.
        const bool presence = !refuse && DecodeCommand(*conn->lines.first()).kind == ControlCommandKind::AreYouThere;
        if (!refuse && !presence && m_executing)
            return;
        const std::optional<QString> line = conn->lines.takeFirst();
        if (refuse || presence) {
            reply(conn, presence);
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
        accepted = m_target->channelSaveNotes();
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
    conn->lastActive.start();
    if (socket->bytesToWrite() > kMaxUnreadReplyBytes) {
        drop(conn);   // it does not read its answers
        return;
    }
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

} // namespace pellux
