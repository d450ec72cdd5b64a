#include "platform/QtPrompts.h"

#include "platform/QtSoundPlayer.h"
#include "platform/frmAlarmSet.h"
#include "platform/frmPassword.h"
#include "platform/frmSelectPrinter.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace pellux {

namespace {

QMessageBox::StandardButton toStandard(MsgResult r)
{
    switch (r) {
    case MsgResult::Ok: return QMessageBox::Ok;
    case MsgResult::Cancel: return QMessageBox::Cancel;
    case MsgResult::Yes: return QMessageBox::Yes;
    case MsgResult::No: return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

/// Messages use CR (and CR LF) line breaks; a label wants LF.
QString displayText(QString text)
{
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

QWidget *dialogParent()
{
    // Note windows and the panel come and go; dialogs stay parentless but on top.
    return nullptr;
}

/**
 * The window a dialog was opened over, and what it does for it. While the dialog is
 * open it stays above every window of the program, notes that are always on top
 * included. When it closes, the keyboard goes back to that window and to the field
 * that had it, with the caret where it was: the window manager would otherwise give
 * the focus to whichever window of the program it picks (the panel, as often as not).
 */
class DialogOwner
{
public:
    DialogOwner()
        : m_window(QApplication::activeWindow())
        , m_focus(QApplication::focusWidget())
    {
    }

    ~DialogOwner()
    {
        // A window that went away or out of sight meanwhile is not brought back for this.
        if (!m_window || !m_window->isVisible() || m_window->isMinimized())
            return;
        // A dialog still open over it (this one was nested) keeps the keyboard.
        if (QWidget *modal = QApplication::activeModalWidget(); modal && modal != m_window)
            return;
        m_window->activateWindow();
        if (m_focus && m_focus->window() == m_window && m_focus->isVisible())
            m_focus->setFocus(Qt::ActiveWindowFocusReason);
    }

    DialogOwner(const DialogOwner &) = delete;
    DialogOwner &operator=(const DialogOwner &) = delete;

private:
    QPointer<QWidget> m_window;
    QPointer<QWidget> m_focus;
};

/// Above every note, on-top ones included, while it is open.
void keepAbove(QWidget *dialog)
{
    dialog->setWindowFlag(Qt::WindowStaysOnTopHint);
}

} // namespace

MsgResult QtPrompts::message(const MessageRequest &request)
{
    const ModalScope scope(modal());
    const DialogOwner owner;
    QMessageBox box(dialogParent());
    box.setWindowTitle(request.title);
    box.setText(displayText(request.text));
    switch (request.icon) {
    case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MsgIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    case MsgIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    }
    switch (request.buttons) {
    case MsgButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case MsgButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MsgButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case MsgButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    if (request.defaultButton)
        box.setDefaultButton(toStandard(*request.defaultButton));
    keepAbove(&box);
    switch (box.exec()) {
    case QMessageBox::Yes: return MsgResult::Yes;
    case QMessageBox::No: return MsgResult::No;
    case QMessageBox::Ok: return MsgResult::Ok;
    default:
        // Closing a Yes/No box by its frame counts as No.
        return request.buttons == MsgButtons::YesNo ? MsgResult::No
             : request.buttons == MsgButtons::Ok    ? MsgResult::Ok
                                                    : MsgResult::Cancel;
    }
}

QString QtPrompts::input(const QString &prompt, const QString &title, const QString &defaultText)
{
    const ModalScope scope(modal());
    const DialogOwner owner;
    QInputDialog dlg(dialogParent());
    dlg.setWindowTitle(title);
    dlg.setLabelText(displayText(prompt));
    dlg.setTextValue(defaultText);
    keepAbove(&dlg);
    if (dlg.exec() != QDialog::Accepted)
        return QString();
    return dlg.textValue();
}

std::optional<QColor> QtPrompts::color(const QColor &initial)
{
    const ModalScope scope(modal());
    const DialogOwner owner;
    QColorDialog dlg(initial, dialogParent());
    keepAbove(&dlg);
    if (dlg.exec() != QDialog::Accepted || !dlg.selectedColor().isValid())
        return std::nullopt;
    return dlg.selectedColor();
}

std::optional<NoteStyle> QtPrompts::font(const NoteStyle &initial)
{
    const ModalScope scope(modal());
    const DialogOwner owner;
    QFont f(initial.fontName);
    f.setPointSizeF(initial.fontSize > 0 ? initial.fontSize : 8.25);
    f.setBold(initial.bold);
    f.setItalic(initial.italic);
    f.setUnderline(initial.underline);
    f.setStrikeOut(initial.strikethru);
    QFontDialog dlg(f, dialogParent());
    keepAbove(&dlg);
    if (dlg.exec() != QDialog::Accepted)
        return std::nullopt;
    const QFont chosen = dlg.selectedFont();
    // Qt's font dialog has no colour: the text colour comes back as it went in.
    NoteStyle out = initial;
    out.fontName = chosen.family();
    out.fontSize = float(chosen.pointSizeF());
    out.bold = chosen.bold();
    out.italic = chosen.italic();
    out.underline = chosen.underline();
    out.strikethru = chosen.strikeOut();
    return out;
}

static FileAnswer runFileDialog(const FileRequest &request, QFileDialog::AcceptMode mode)
{
    QFileDialog dlg(dialogParent(), request.title);
    keepAbove(&dlg);
    dlg.setAcceptMode(mode);
    dlg.setFileMode(mode == QFileDialog::AcceptOpen && request.mustExist ? QFileDialog::ExistingFile
                                                                          : QFileDialog::AnyFile);
    dlg.setNameFilters(request.filters);
    if (request.filterIndex >= 1 && request.filterIndex <= request.filters.size())
        dlg.selectNameFilter(request.filters.at(request.filterIndex - 1));
    if (!request.fileName.isEmpty())
        dlg.selectFile(request.fileName);
    if (!request.overwritePrompt)
        dlg.setOption(QFileDialog::DontConfirmOverwrite);
    FileAnswer answer;
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return answer;
    answer.path = dlg.selectedFiles().first();
    answer.filterIndex = int(request.filters.indexOf(dlg.selectedNameFilter())) + 1;
    if (answer.filterIndex < 1)
        answer.filterIndex = 1;
    return answer;
}

FileAnswer QtPrompts::openFile(const FileRequest &request)
{
    const ModalScope scope(modal());
    const DialogOwner owner;
    return runFileDialog(request, QFileDialog::AcceptOpen);
}

FileAnswer QtPrompts::saveFile(const FileRequest &request)
{
    const ModalScope scope(modal());
    const DialogOwner owner;
    return runFileDialog(request, QFileDialog::AcceptSave);
}

QString QtPrompts::password(const QString &title, const QString &label, bool confirm, int maxLength)
{
    // The dialog has its own words; the arguments name the variant (see Prompts::password).
    Q_UNUSED(title);
    Q_UNUSED(label);
    const ModalScope scope(modal());
    const DialogOwner owner;
    if (confirm)
        return frmPassword::SetPassword(dialogParent());
    return frmPassword::GetPassword(maxLength <= 0 ? frmPassword::SmtpMode : qint16(0), dialogParent());
}

std::optional<AlarmRecord> QtPrompts::alarmProperties(const AlarmRequest &request)
{
    const ModalScope scope(modal());
    const DialogOwner owner;
    // The dialog's Play has a player of its own: an alarm's sound may be playing meanwhile.
    QtSoundPlayer player;
    frmAlarmSet dlg(*this, player, dialogParent());
    keepAbove(&dlg);
    dlg.SetAlarm(request.alarm, request.now);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        dlg.centreOn(screen->geometry());
    dlg.exec();
    return dlg.saved();
}

PrinterChoice QtPrompts::printer(const PrinterRequest &request)
{
    const ModalScope scope(modal());
    const DialogOwner owner;
    frmSelectPrinter dlg(request.printers, request.defaultPrinter, dialogParent());
    return dlg.GO();
}

int QtPrompts::dialog(QDialog &window)
{
    const ModalScope scope(modal());
    const DialogOwner owner;
    return window.exec();
}

} // namespace pellux
