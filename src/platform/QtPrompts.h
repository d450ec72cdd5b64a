#pragma once

#include "platform/Prompts.h"

#include <QPointer>

class QWidget;

namespace pellux {

/// The production prompts: Qt's message, input, colour, font, file and password dialogs.
class QtPrompts : public Prompts
{
public:
    using Prompts::message;
    MsgResult message(const MessageRequest &request) override;
    QString input(const QString &prompt, const QString &title, const QString &defaultText) override;
    std::optional<QColor> color(const QColor &initial) override;
    std::optional<NoteStyle> font(const NoteStyle &initial) override;
    FileAnswer openFile(const FileRequest &request) override;
    FileAnswer saveFile(const FileRequest &request) override;
    QString password(const QString &title, const QString &label, bool confirm, int maxLength) override;
    std::optional<AlarmRecord> alarmProperties(const AlarmRequest &request) override;
    PrinterChoice printer(const PrinterRequest &request) override;
    int dialog(QDialog &window) override;
};

} // namespace pellux
