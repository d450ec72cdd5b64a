#include "core/channel/ControlCommand.h"

#include <QStringDecoder>

namespace pellux {

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

std::optional<QString> DecodeCommandLine(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    if (decoder.hasError() || text.contains(QChar(u'\0')))
        return std::nullopt;
    return text;
}

} // namespace pellux
