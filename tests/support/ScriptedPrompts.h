#pragma once

#include "platform/Prompts.h"

#include <QList>
#include <QString>
#include <functional>
#include <variant>

class QDialog;

namespace pellux::test {

/// What a prompt asked, as the test double recorded it.
struct AskedPrompt
{
    enum Kind { Message, Input, Color, Font, OpenFile, SaveFile, Password, Alarm, Printer, Dialog } kind = Message;
    QString title;                  ///< for a feature's window: its window title
    QString text;                   ///< message text, input prompt or password label
    QString objectName;             ///< a feature's window: its object name ("frmOptions")
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
    std::optional<MsgResult> defaultButton;
    QString defaultText;            ///< input default
    QColor initialColor;
    NoteStyle initialFont;
    FileRequest file;
    bool confirm = false;           ///< password: with a repeat box
    int maxLength = 0;
    AlarmRequest alarm;             ///< what the alarm dialog started from
    PrinterRequest printers;        ///< printer dialog: the entries and the default printer
};

/**
 * The prompts seam for tests: answers come from a queue the test fills in advance;
 * every prompt is recorded with its exact words. A prompt with no answer queued
 * (or of another kind than the next answer) is recorded as unexpected and answered
 * as if cancelled, so a test never blocks on a dialog.
 */
class ScriptedPrompts : public Prompts
{
public:
    /// What the user does in a feature's modal window: presses its buttons, types.
    struct DialogScript
    {
        std::function<void(QDialog &window)> act;
    };
    using Answer = std::variant<MsgResult, QString, std::optional<QColor>, std::optional<NoteStyle>, FileAnswer,
                                std::optional<AlarmRecord>, PrinterChoice, DialogScript>;

    void answerMessage(MsgResult r) { m_answers.append(Answer{r}); }
    void answerInput(const QString &text) { m_answers.append(Answer{text}); }
    void answerPassword(const QString &text) { m_answers.append(Answer{text}); }
    void answerColor(std::optional<QColor> c) { m_answers.append(Answer{c}); }
    void answerFont(std::optional<NoteStyle> f) { m_answers.append(Answer{f}); }
    void answerFile(const FileAnswer &f) { m_answers.append(Answer{f}); }
    /// The alarm dialog saves \a saved (nullopt: it is cancelled).
    void answerAlarm(std::optional<AlarmRecord> saved) { m_answers.append(Answer{saved}); }
    void answerPrinter(const PrinterChoice &c) { m_answers.append(Answer{c}); }
    /**
     * The next feature window is handed to \a act while "open" (a window left open
     * afterwards is closed as cancelled). Prompts the window raises meanwhile take the
     * answers queued after this one.
     */
    void answerDialog(std::function<void(QDialog &window)> act) { m_answers.append(Answer{DialogScript{std::move(act)}}); }

    const QList<AskedPrompt> &asked() const { return m_asked; }
    const AskedPrompt &last() const { return m_asked.last(); }
    /// Prompts that came with no (or the wrong kind of) answer queued.
    const QList<AskedPrompt> &unexpected() const { return m_unexpected; }
    int pending() const { return int(m_answers.size()); }
    void clear()
    {
        m_asked.clear();
        m_unexpected.clear();
        m_answers.clear();
    }

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

private:
    template<typename T> std::optional<T> take(const AskedPrompt &asked);

    QList<Answer> m_answers;
    QList<AskedPrompt> m_asked;
    QList<AskedPrompt> m_unexpected;
};

} // namespace pellux::test
