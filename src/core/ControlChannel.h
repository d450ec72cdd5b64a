#pragma once

#include <QObject>
#include <QString>

#include <map>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

namespace pellux {

// ---------------------------------------------------------------------------
// Endpoint
// ---------------------------------------------------------------------------

/// The name of the control socket and, with ".lock", of the instance lock beside it.
inline constexpr char kControlEndpointName[] = "Pellux.Control";

/**
 * The per-user folder that holds the control socket and the instance lock.
 *
 * $XDG_RUNTIME_DIR when it is set and trustworthy (an absolute path to a real
 * folder owned by this user with no rights for anyone else). Otherwise
 * "<temp folder>/pellux-<uid>", created with mode 0700. An existing fallback
 * folder is used only when it is a real folder (not a link) owned by this user;
 * read or search rights for others are taken away, but a folder that others could
 * write into is refused, since anything already in it may have been planted.
 *
 * Returns the folder without a trailing separator, or an empty string with the
 * reason in \a errorString.
 */
QString ControlEndpointFolder(QString *errorString = nullptr);

/// Full path of the control socket ("Pellux.Control" in the folder above); empty on failure.
QString ControlEndpointPath(QString *errorString = nullptr);

/// Full path of the instance lock ("Pellux.Control.lock" beside the socket); empty on failure.
QString ControlLockPath(QString *errorString = nullptr);

// ---------------------------------------------------------------------------
// Commands
// ---------------------------------------------------------------------------

enum class ControlCommandKind {
    AreYouThere,
    SyncOn,
    SyncOff,
    ControlPanel,
    Exit,
    SaveNotes,
    LoadNotes,
    UnloadNotes,
    LoadNote,   ///< import one note file; the path is in ControlCommand::path
    Unknown,
};

struct ControlCommand
{
    ControlCommandKind kind = ControlCommandKind::Unknown;
    QString path;   ///< LoadNote only: the command from its tenth character on (may be empty)

    friend bool operator==(const ControlCommand &, const ControlCommand &) = default;
};

/**
 * What a command line of the channel asks for. Names are compared exactly and
 * case-sensitively, in table order, so "LoadNotes" is the store reload and not a
 * note import. Any command whose first eight characters are "LoadNote" imports the
 * path that starts at its tenth character: the ninth, normally "|", is skipped
 * whatever it is. The loading flag is not this function's business: the server
 * refuses everything while it is set, before decoding.
 */
ControlCommand DecodeCommand(const QString &command);

// ---------------------------------------------------------------------------
// Server side
// ---------------------------------------------------------------------------

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
    virtual void channelSaveNotes() = 0;
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

    ControlTarget *m_target;
    QLocalServer *m_server = nullptr;
    QString m_path;
    std::map<quint64, ConnectionPtr> m_connections;   // by arrival, so turns are fair
    quint64 m_nextId = 1;
    bool m_executing = false;
    bool m_pumpScheduled = false;
    bool m_exitPending = false;
};

// ---------------------------------------------------------------------------
// Client side
// ---------------------------------------------------------------------------

/**
 * One conversation with the running instance (the role of the hidden window
 * frmPelluxDDESend). Blocking: connecting and each reply wait at most the time-out.
 * After a time-out or a garbled reply the conversation is closed, so a late answer
 * can never be taken for the next command's.
 */
class ControlClient
{
public:
    enum class Reply { Accepted, Refused, NoAnswer };

    static constexpr int kDefaultTimeoutMs = 10000;

    explicit ControlClient(int timeoutMs = kDefaultTimeoutMs);
    ~ControlClient();
    ControlClient(const ControlClient &) = delete;
    ControlClient &operator=(const ControlClient &) = delete;

    /// Connects to the running instance; false when none listens or it does not accept in time.
    bool open();
    bool isOpen() const;
    /**
     * Sends one command and waits for its answer. A command holding a line break or
     * a NUL is never sent (it would smuggle in a second command): Refused.
     * NoAnswer when the conversation is not open, breaks, or times out.
     */
    Reply execute(const QString &command);
    void close();
    QString errorString() const { return m_error; }

    /// Outcome of handing a note file over to the running instance.
    struct HandOver
    {
        /// False when "AreYouThere" failed (no instance, time-out, refusal): the caller
        /// tells the user the program must be running.
        bool instanceAnswered = false;
        /// The answer to "LoadNote|path"; the hand-over ignores it, it is for the record.
        Reply loadNote = Reply::NoAnswer;
    };

    /**
     * "AreYouThere", then "LoadNote|" and the path, on one conversation, then closes.
     * A relative path is made absolute first: the running instance has its own
     * working folder.
     */
    HandOver SendDDERequest(const QString &path);

    /// True when a running instance accepted "ControlPanel"; false on any failure.
    bool OpenControlPanel();

private:
    int m_timeoutMs;
    std::unique_ptr<QLocalSocket> m_socket;
    QString m_error;
};

// ---------------------------------------------------------------------------
// Instance lock
// ---------------------------------------------------------------------------

/**
 * Taken by a start that found no running instance and held for the life of the
 * program, so that two starts at the same moment cannot both become the running
 * instance. A lock left by a process that no longer runs is taken over; a lock
 * whose holder still runs is never taken, however long it has been held.
 */
class InstanceLock
{
public:
    /// \a path defaults to ControlLockPath().
    explicit InstanceLock(const QString &path = QString());
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    /// Tries for up to \a timeoutMs (0: once). False with errorString() when another holds it.
    bool tryLock(int timeoutMs = 0);
    void unlock();
    bool isLocked() const;
    QString path() const { return m_path; }
    QString errorString() const { return m_error; }

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
    QString m_error;
};

} // namespace pellux
