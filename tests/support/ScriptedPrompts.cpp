#include "support/ScriptedPrompts.h"

#include "platform/frmPassword.h"

#include <QDialog>

namespace pellux::test {

template<typename T>
std::optional<T> ScriptedPrompts::take(const AskedPrompt &asked)
{
    m_asked.append(asked);
    if (m_answers.isEmpty() || !std::holds_alternative<T>(m_answers.first())) {
        m_unexpected.append(asked);
        return std::nullopt;
    }
    return std::get<T>(m_answers.takeFirst());
}

MsgResult ScriptedPrompts::message(const MessageRequest &request)
{
    const ModalScope scope(modal());
    AskedPrompt a;
    a.kind = AskedPrompt::Message;
    a.title = request.title;
    a.text = request.text;
    a.icon = request.icon;
    a.buttons = request.buttons;
    a.defaultButton = request.defaultButton;
    if (auto r = take<MsgResult>(a))
        return *r;
    switch (request.buttons) {
    case MsgButtons::Ok: return MsgResult::Ok;
    case MsgButtons::YesNo: return MsgResult::No;
    default: return MsgResult::Cancel;
    }
}

QString ScriptedPrompts::input(const QString &prompt, const QString &title, const QString &defaultText)
{
    const ModalScope scope(modal());
    AskedPrompt a;
    a.kind = AskedPrompt::Input;
    a.title = title;
    a.text = prompt;
    a.defaultText = defaultText;
    return take<QString>(a).value_or(QString());
}

std::optional<QColor> ScriptedPrompts::color(const QColor &initial)
{
    const ModalScope scope(modal());
    AskedPrompt a;
    a.kind = AskedPrompt::Color;
    a.initialColor = initial;
    return take<std::optional<QColor>>(a).value_or(std::nullopt);
}

std::optional<NoteStyle> ScriptedPrompts::font(const NoteStyle &initial)
{
    const ModalScope scope(modal());
    AskedPrompt a;
    a.kind = AskedPrompt::Font;
    a.initialFont = initial;
    return take<std::optional<NoteStyle>>(a).value_or(std::nullopt);
}

FileAnswer ScriptedPrompts::openFile(const FileRequest &request)
{
    const ModalScope scope(modal());
    AskedPrompt a;
    a.kind = AskedPrompt::OpenFile;
    a.title = request.title;
    a.file = request;
    return take<FileAnswer>(a).value_or(FileAnswer{});
}

FileAnswer ScriptedPrompts::saveFile(const FileRequest &request)
{
    const ModalScope scope(modal());
    AskedPrompt a;
    a.kind = AskedPrompt::SaveFile;
    a.title = request.title;
    a.file = request;
    return take<FileAnswer>(a).value_or(FileAnswer{});
}

QString ScriptedPrompts::password(const QString &title, const QString &label, bool confirm, int maxLength)
{
    const ModalScope scope(modal());
    AskedPrompt a;
    a.kind = AskedPrompt::Password;
    a.title = title;
    a.text = label;
    a.confirm = confirm;
    a.maxLength = maxLength;
    // A scripted answer is what the user typed: the cancel marker cancels, as in the dialog.
    return frmPassword::answerOf(take<QString>(a).value_or(QString()));
}

std::optional<AlarmRecord> ScriptedPrompts::alarmProperties(const AlarmRequest &request)
{
    const ModalScope scope(modal());
    AskedPrompt a;
    a.kind = AskedPrompt::Alarm;
    a.title = QStringLiteral("Alarm Properties");
    a.alarm = request;
    return take<std::optional<AlarmRecord>>(a).value_or(std::nullopt);
}

PrinterChoice ScriptedPrompts::printer(const PrinterRequest &request)
{
    const ModalScope scope(modal());
    AskedPrompt a;
    a.kind = AskedPrompt::Printer;
    a.title = QStringLiteral("Select A Printer");
    a.printers = request;
    return take<PrinterChoice>(a).value_or(PrinterChoice{});
}

int ScriptedPrompts::dialog(QDialog &window)
{
    const ModalScope scope(modal());
    AskedPrompt a;
    a.kind = AskedPrompt::Dialog;
    a.title = window.windowTitle();
    a.objectName = window.objectName();
    // Open as far as a test can see: visible and modal, without a loop of its own.
    window.setResult(QDialog::Rejected);
    window.setWindowModality(Qt::ApplicationModal);
    window.show();
    if (auto script = take<DialogScript>(a)) {
        if (script->act)
            script->act(window);
    }
    if (window.isVisible())
        window.reject();
    return window.result();
}

} // namespace pellux::test
