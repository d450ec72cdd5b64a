#pragma once

#include <QObject>
#include <QString>

#include <map>
#include <memory>

class QLocalServer;
class QTimer;

namespace pellux {

/**
 * What the program offers the channel. The program spine implements it; the server
 * calls it on the GUI thread, one command at a time, and never while isLoading()
 * is true. The target must outlive the server.
 *
 * The flash texts belong to the target:
 *  - channelSyncOn: show the status flash "Synchronizing with Remote".
 *  - channelSyncOff: remove the status flash (also called when a conversation that
 *    sent "SyncOn" closes without "SyncOff").
 *  - channelSaveNotes: show "Saving Notes", write the store, remove the flash.
 */
class ControlTarget
{
public:
    virtual ~ControlTarget() = default;

    /// The program-wide loading flag: while true every command is refused untouched.
    virtual bool isLoading() const = 0;

    virtual void channelSyncOn() = 0;
    virtual void channelSyncOff() = 0;
    /// Bring the control panel up.
    virtual void channelControlPanel() = 0;
    /**
     * Set the exit-confirmed flag, then run the panel's exit, which ends the program
     * without asking. Called from the event loop after "ACK" has gone out, never
     * from inside the command.
     */
    virtual void channelExit() = 0;
    /// False when the store was not written (the client then hears "NAK").
    virtual bool channelSaveNotes() = 0;
    /// Reload the store (it raises the loading flag itself while it reads).
    virtual void channelLoadNotes() = 0;
    virtual void channelUnloadNotes() = 0;
    /**
     * Import the single-note file at \a path (never empty). Returns false when the
     * import was refused or failed as a whole; the client then hears "NAK". Must not
     * leave a half-imported note behind when it returns false.
     */
    virtual bool channelLoadNote(const QString &path) = 0;
};

/**
 * The command server of a running instance (the role of the hidden window
 * frmPelluxControl): a per-user local socket that takes UTF-8 commands, one per
 * line (LF), and answers each with one line, "ACK" or "NAK", after the command has
 * run ("Exit" is answered first and run afterwards, so the client hears the answer
 * before the process ends). A connection is one conversation; several commands may
 * be sent on it.
 *
 * Commands run one at a time. A command that lets events run (a reload, a banner)
 * may see more commands arrive meanwhile: while the loading flag is set they are
 * refused at once; otherwise they wait their turn and run after the current one,
 * in the order each connection sent them.
 */
class ControlServer : public QObject
{
    Q_OBJECT

public:
    explicit ControlServer(ControlTarget *target, QObject *parent = nullptr);
    ~ControlServer() override;

    /**
     * Listens on ControlEndpointPath(). A socket left behind by a crashed instance
     * (nobody answers on it) is replaced; a socket that answers belongs to a running
     * instance and makes start() fail without touching it. The socket is made
     * mode 0600. Returns false with the reason in \a errorString.
     *
     * Call it while holding the InstanceLock: between the check for a running
     * instance and the listen, only the lock keeps a second start out.
     */
    bool start(QString *errorString = nullptr);

    /**
     * Stops listening, removes the socket and drops every conversation without
     * calling the target (the program is going down, and shutdown takes the flash
     * down itself). Safe to call from inside a target call.
     */
    void stop();

    bool isListening() const;
    QString endpointPath() const { return m_path; }
    /// True while some open conversation has sent "SyncOn" without "SyncOff".
    bool isSynchronising() const;

    /// Longest command line taken; a longer one is refused and skipped up to its LF.
    static constexpr qsizetype kMaxCommandBytes = 64 * 1024;
    /// Conversations open at once; one more is closed as soon as it comes.
    static constexpr int kMaxConnections = 64;
    /// Bytes of partial lines held for all conversations together; the conversation
    /// that would pass it is dropped.
    static constexpr qsizetype kMaxBufferedBytes = 1024 * 1024;
    /// Answers a client may leave unread (bytes) and commands it may leave waiting;
    /// past either it is dropped.
    static constexpr qint64 kMaxUnreadReplyBytes = 64 * 1024;
    static constexpr qsizetype kMaxWaitingCommands = 1024;
    /// A conversation silent this long with nothing under way is dropped.
    void setIdleTimeout(int ms) { m_idleTimeoutMs = ms; }
    int idleTimeout() const { return m_idleTimeoutMs; }
    /// Conversations open now.
    int connectionCount() const { return int(m_connections.size()); }

private:
    struct Connection;
    using ConnectionPtr = std::shared_ptr<Connection>;

    void acceptConnections();
    void readFrom(const ConnectionPtr &conn);
    void onDisconnected(const ConnectionPtr &conn);
    void schedulePump();
    void pump();
    void serve(const ConnectionPtr &conn);
    bool run(const ConnectionPtr &conn, const QString &command);
    void reply(const ConnectionPtr &conn, bool accepted);
    void finish(const ConnectionPtr &conn);
    void runExit();
    /// Drops a conversation without calling the target for its commands.
    void drop(const ConnectionPtr &conn);
    qsizetype bufferedBytes() const;
    /// Every few seconds: drops idle conversations, and listens again when the local
    /// server stopped under us (it closes itself when an accept fails, as when the
    /// process runs out of file descriptors).
    void watch();

    ControlTarget *m_target;
    QLocalServer *m_server = nullptr;
    QString m_path;
    std::map<quint64, ConnectionPtr> m_connections;   // by arrival, so turns are fair
    quint64 m_nextId = 1;
    bool m_executing = false;
    bool m_pumpScheduled = false;
    bool m_exitPending = false;
    int m_idleTimeoutMs = 60 * 1000;
    QTimer *m_watch = nullptr;
};

} // namespace pellux
