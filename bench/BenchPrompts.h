#pragma once

#include "platform/Prompts.h"

namespace pellux::bench {

/// Prompts that answer every dialog as cancelled (a message box with only "OK" as read),
/// counting what came: a benchmark must meet no dialog, or it measures one.
class NoPrompts : public Prompts
{
public:
    int asked = 0;
    QString lastText;       ///< the last message box's text

    using Prompts::message;
    MsgResult message(const MessageRequest &request) override
    {
        ++asked;
        lastText = request.text;
        return request.buttons == MsgButtons::Ok ? MsgResult::Ok : MsgResult::Cancel;
    }
    QString input(const QString &, const QString &, const QString &) override { return count(QString()); }
    std::optional<QColor> color(const QColor &) override { return count(std::optional<QColor>()); }
    std::optional<NoteStyle> font(const NoteStyle &) override { return count(std::optional<NoteStyle>()); }
    FileAnswer openFile(const FileRequest &) override { return count(FileAnswer()); }
    FileAnswer saveFile(const FileRequest &) override { return count(FileAnswer()); }
    QString password(const QString &, const QString &, bool, int) override { return count(QString()); }
    std::optional<AlarmRecord> alarmProperties(const AlarmRequest &) override
    {
        return count(std::optional<AlarmRecord>());
    }
    PrinterChoice printer(const PrinterRequest &) override { return count(PrinterChoice()); }
    int dialog(QDialog &) override { return count(0); }

private:
    template<typename T> T count(T answer)
    {
        ++asked;
        return answer;
    }
};

} // namespace pellux::bench
