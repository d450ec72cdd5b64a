#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace pellux {

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

/**
 * One line of the channel (without its LF) as the command's text, or nothing when it
 * is not clean UTF-8 or holds a NUL (a path with a NUL would open a different file
 * than the one named). A byte-order mark at its start is dropped.
 */
std::optional<QString> DecodeCommandLine(const QByteArray &bytes);

} // namespace pellux
