#pragma once

#include <QString>

#include <memory>

class QLocalSocket;

namespace pellux {

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

} // namespace pellux
