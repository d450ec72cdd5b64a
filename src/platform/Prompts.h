#pragma once

#include "core/NoteRecord.h"
#include "platform/ModalScope.h"

#include <QColor>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

class QDialog;

namespace pellux {

/// The icon a message box carries.
enum class MsgIcon { None, Critical, Question, Exclamation, Information };

/// The button set of a message box.
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };

/// The button the user pressed (Cancel also stands for closing the box).
enum class MsgResult { Ok, Cancel, Yes, No };

struct MessageRequest
{
    QString title;
    QString text;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
    /// The default button; Ok/Yes when unset.
    std::optional<MsgResult> defaultButton;
};

struct FileRequest
{
    QString title;
    QString fileName;           ///< proposed name or path
    QStringList filters;        ///< "Text Files (*.txt)" style entries, in order
    int filterIndex = 1;        ///< 1-based, as chosen on return
    bool overwritePrompt = false;
    bool mustExist = false;
};

struct FileAnswer
{
    QString path;               ///< empty when cancelled
    int filterIndex = 1;        ///< 1-based position of the chosen filter
};

/// What the "Alarm Properties" dialog starts from.
struct AlarmRequest
{
    AlarmRecord alarm;          ///< the note's alarm as it stands
    QDateTime now;              ///< today and now, by the program's clock
};

/// What the printer dialog offers: the entries in order and the system's default printer.
struct PrinterRequest
{
    QStringList printers;
    QString defaultPrinter;
};

struct PrinterChoice
{
    int printerIndex = -1;      ///< position in PrinterRequest::printers; -1 when cancelled
    int copies = 1;
};

/**
 * Every message box, input box and file/font/colour/printer/password dialog of
 * the program goes through this one interface. The production implementation
 * shows Qt dialogs; tests answer from a script and record what was asked, so the
 * exact words are part of what a test checks.
 */
class Prompts
{
public:
    virtual ~Prompts() = default;

    /// Up while any dialog of these prompts is open (each implementation takes a
    /// ModalScope around every dialog it shows).
    ModalState &modal() { return m_modal; }

    virtual MsgResult message(const MessageRequest &request) = 0;

    /// An input box. An empty answer means "cancelled or cleared", as callers treat both alike.
    virtual QString input(const QString &prompt, const QString &title, const QString &defaultText) = 0;

    /// A colour dialog started from \a initial; nullopt when cancelled.
    virtual std::optional<QColor> color(const QColor &initial) = 0;

    /**
     * A font dialog started from the font of \a initial; nullopt when cancelled. The
     * answer is \a initial with the chosen font (and, where the dialog offers one, the
     * chosen text colour).
     */
    virtual std::optional<NoteStyle> font(const NoteStyle &initial) = 0;

    virtual FileAnswer openFile(const FileRequest &request) = 0;
    virtual FileAnswer saveFile(const FileRequest &request) = 0;

    /**
     * The password dialog; the typed password, or empty when cancelled (typing the
     * cancel marker "-1Abort" counts as cancelling). \a confirm asks for a new password
     * typed twice; otherwise \a maxLength 0 (no limit) is the SMTP password's variant and
     * any other the note password's (12 characters). The dialog's words are its own:
     * \a title and \a label are "Password" (or "SMTP Password") and "Input Password:".
     */
    virtual QString password(const QString &title, const QString &label, bool confirm, int maxLength) = 0;

    /// The "Alarm Properties" dialog for one note's alarm: the record the user saved,
    /// or nullopt when the dialog was cancelled.
    virtual std::optional<AlarmRecord> alarmProperties(const AlarmRequest &request) = 0;

    /// The printer dialog ("Select A Printer"): a printer and the number of copies.
    virtual PrinterChoice printer(const PrinterRequest &request) = 0;

    /**
     * Runs a feature's own modal window (the program options, the About box) that the
     * caller has built and filled: QDialog's result once it has closed. The window stays
     * the caller's; tests press its buttons from their script instead of a nested loop.
     */
    virtual int dialog(QDialog &window) = 0;

    /// Convenience for the common message box.
    MsgResult message(const QString &text, MsgIcon icon = MsgIcon::None,
                      MsgButtons buttons = MsgButtons::Ok, const QString &title = QStringLiteral("Pellux"),
                      std::optional<MsgResult> defaultButton = std::nullopt)
    {
        return message(MessageRequest{title, text, icon, buttons, defaultButton});
    }

private:
    ModalState m_modal;
};

} // namespace pellux
