#pragma once

#include "platform/Prompts.h"

namespace pellux::bench {

/// Prompts that answer every dialog as cancelled, counting the message boxes and password
/// prompts that came (a benchmark must meet none, or it measures a dialog).
class NoPrompts : public Prompts
{
public:
    using Prompts::message;
    MsgResult message(const MessageRequest &) override
    {
        ++asked;
        return MsgResult::Cancel;
    }
    QString input(const QString &, const QString &, const QString &) override { return {}; }
    std::optional<QColor> color(const QColor &) override { return std::nullopt; }
    std::optional<NoteStyle> font(const NoteStyle &) override { return std::nullopt; }
    FileAnswer openFile(const FileRequest &) override { return {}; }
    FileAnswer saveFile(const FileRequest &) override { return {}; }
    QString password(const QString &, const QString &, bool, int) override
    {
        ++asked;
        return {};
    }
    std::optional<AlarmRecord> alarmProperties(const AlarmRequest &) override { return std::nullopt; }
    PrinterChoice printer(const PrinterRequest &) override { return {}; }

    int asked = 0;
};

} // namespace pellux::bench
