#include "notes/NoteProc.h"

#include "core/NoteRecord.h"
#include "core/TextRules.h"
#include "core/app/FlashMsg.h"
#include "core/app/Program.h"
#include "notes/TextNoteProt.h"
#include "panel/NCP.h"
#include "panel/frmPelluxMenu.h"
#include "platform/Prompts.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>

namespace pellux::NoteProc {

namespace {

/// The largest file read into a note, in bytes.
constexpr qint64 kReadInLimit = 32768;

TextNoteProt *textNote(Program &program, int slot)
{
    return qobject_cast<TextNoteProt *>(program.note(slot));
}

/// A new text note window in \a slot, with NoteNum and caption set and its tray item made.
TextNoteProt *createWindow(Program &program, int slot, const QString &title)
{
    auto *w = new TextNoteProt(program);
    program.placeNote(slot, w);
    w->NoteNum = qint16(slot);
    w->setCaption(title);
    program.trayMenu().CreateNoteList(slot);
    return w;
}

void applyFlags(TextNoteProt *w, bool onTop, bool rollUp, bool dynamicTitle)
{
    if (onTop) {
        w->mnuOnTop->setChecked(true);
        w->setTopmost(true);
    }
    if (rollUp)
        w->mnuRollUp->setChecked(true);
    w->mnuDynamicTitle->setChecked(dynamicTitle);
    w->mnuReTitle->setEnabled(!dynamicTitle);
}


NoteStyle styleOf(Program &program, int slot)
{
    if (slot == 0)
        return program.ncp().sampleStyle();
    if (TextNoteProt *w = textNote(program, slot))
        return w->noteStyle();
    return NoteStyle{};
}

void setStyleOf(Program &program, int slot, const NoteStyle &style)
{
    if (slot == 0) {
        program.ncp().setSampleStyle(style);
        return;
    }
    if (TextNoteProt *w = textNote(program, slot))
        w->setNoteStyle(style);
}

} // namespace

bool NewTextNote(Program &program, QString &title)
{
    NCP &panel = program.ncp();
    if (!panel.chkDynamicTitle->isChecked()) {
        ++program.modalDialog;
        if (title.isEmpty())
            title = QStringLiteral("Note") + BasicNumber(program.upperBound() + 1);
        const QString answer = program.prompts().input(QStringLiteral("What do you want for the title of this note?"),
                                                       QStringLiteral("Note Title"), title);
        --program.modalDialog;
        if (answer.isEmpty())
            return false;
        title = answer;
    } else {
        title = QStringLiteral("(Blank)");
    }

    const int n = program.growNotes();
    auto *w = new TextNoteProt(program);
    program.placeNote(n, w);
    // The slot is known before the window can be activated, so the activation records it.
    w->NoteNum = qint16(n);
    w->setCaption(title);
    w->mnuRollUp->setChecked(panel.chkRollup->isChecked());
    // A ticked "Always On Top" must mean a window on top, from the start.
    const bool onTop = panel.chkAlwaysOnTop->isChecked();
    w->mnuOnTop->setChecked(onTop);
    w->setTopmost(onTop);
    w->show();
    QString guid = program.NewNoteGUID();
    // Notes made within one hundredth of a second (several files dropped at once) would share
    // an identifier; only then is it worth waiting for the next one.
    while (program.FindNoteByGUID(guid) != 0)
        guid = program.NewNoteGUIDWithWait();
    w->NoteGUID = guid;
    panel.appendListEntry(title);
    w->noteType = QStringLiteral("TextNote");
    const bool dynamic = panel.chkDynamicTitle->isChecked();
    w->mnuDynamicTitle->setChecked(dynamic);
    if (dynamic)
        w->mnuReTitle->setEnabled(false);
    program.trayMenu().CreateNoteList(n);
    w->raise();
    w->activateWindow();
    w->TxtData->setFocus();
    return true;
}

TextNoteProt *TextNoteFromRecord(Program &program, const TextNoteRecord &record, int slot, const QString &title)
{
    TextNoteProt *w = createWindow(program, slot, title);
    w->setNoteStyle(record.style);
    QString text = record.text;
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    w->setText(text);
    applyFlags(w, record.onTop, record.rollUp, record.dynamicTitle);
    w->TxtData_Change();
    // Text set by the loader is not something the user can undo.
    w->TxtData->document()->clearUndoRedoStacks();
    w->mnuUndo->setEnabled(false);
    return w;
}

TextNoteRecord TextNoteToRecord(Program &program, int slot)
{
    TextNoteRecord r;
    TextNoteProt *w = textNote(program, slot);
    if (!w)
        return r;
    r.style = w->noteStyle();
    r.onTop = w->mnuOnTop->isChecked();
    r.text = w->text();
    r.dynamicTitle = w->mnuDynamicTitle->isChecked();
    r.rollUp = w->mnuRollUp->isChecked();
    return r;
}

TextNoteProt *TextNoteFromStored(Program &program, const StoredNote &note, int slot)
{
    TextNoteProt *w = createWindow(program, slot, note.title);
    w->setNoteStyle(note.style);
    w->setText(note.text);
    applyFlags(w, note.ontop, note.rollup, note.dynamicTitle);
    w->TxtData_Change();
    // Text set by the loader is not something the user can undo.
    w->TxtData->document()->clearUndoRedoStacks();
    w->mnuUndo->setEnabled(false);
    return w;
}

TextNoteProt *TextNoteFromXml(Program &program, const QDomElement &note, int slot)
{
    return TextNoteFromStored(program, program.storedNoteFromElement(note), slot);
}

void RetitleTextNote(Program &program, int slot)
{
    TextNoteProt *w = textNote(program, slot);
    if (!w)
        return;
    w->RetitleFromPrompt(QStringLiteral("Note Title"));
}

static void pickColor(Program &program, int slot, bool fore)
{
    // Check lists have their own style procedures; an empty slot has nothing to style.
    if (slot != 0 && !textNote(program, slot))
        return;
    NoteStyle s = styleOf(program, slot);
    ColorValue &target = fore ? s.foreColor : s.backColor;
    const std::optional<QColor> chosen = program.prompts().color(toQColor(target));
    // A cancelled dialog leaves the colour as it was (a system colour stays a system colour).
    if (chosen)
        target = fromQColor(*chosen);
    setStyleOf(program, slot, s);
    if (slot == 0)
        program.SaveSettings();
}

void PickTextColor(Program &program, int slot)
{
    pickColor(program, slot, true);
}

void PickBackColor(Program &program, int slot)
{
    pickColor(program, slot, false);
}

void PickNoteFont(Program &program, int slot)
{
    if (slot != 0 && !textNote(program, slot))
        return;
    NoteStyle s = styleOf(program, slot);
    const std::optional<FontChoice> chosen = program.prompts().font(fontChoiceOf(s));
    if (chosen)
        applyFontChoice(s, *chosen, true);
    setStyleOf(program, slot, s);
    if (slot == 0) {
        program.ncp().UpdateSample();
        program.SaveSettings();
    }
}

void ResetNoteStyles(Program &program)
{
    if (program.upperBound() < 1)
        return;
    program.flash().DispMsg(QStringLiteral("Updating Notes"));
    for (int i = 1; i <= program.upperBound(); ++i) {
        if (NoteWindow *w = program.note(i))
            w->UpdateSettings();
    }
    program.flash().StopMsg();
}

void ReadIntoTextNote(Program &program, int slot, const QString &fileName)
{
    TextNoteProt *w = textNote(program, slot);
    if (!w)
        return;
    QString path = fileName;
    int filterIndex = 1;
    if (!path.isEmpty()) {
        w->raise();
        w->activateWindow();
        if (path.right(9).toUpper() == QLatin1String(".NOTEFILE"))
            filterIndex = 2;
    } else {
        FileRequest request;
        request.title = QStringLiteral("Read In");
        request.filters = {QStringLiteral("Text Files (*.txt)"), QStringLiteral("Pellux Note File (*.NoteFile)"),
                           QStringLiteral("All Files (*)")};
        request.mustExist = true;
        const FileAnswer answer = program.prompts().openFile(request);
        path = answer.path;
        filterIndex = answer.filterIndex;
    }
    if (path.isEmpty())
        return;
    if (filterIndex == 2) {
        program.prompts().message(
            QStringLiteral("ERROR:  \"%1\" is a Pellux Note File.  This version of Pellux cannot read Note Files.")
                .arg(path),
            MsgIcon::Critical);
        return;
    }
    if (!w->text().isEmpty()) {
        const MsgResult r = program.prompts().message(
            QStringLiteral("This action will delete all text in the note \"%1\"\r\rContinue This Action?").arg(w->Caption()),
            MsgIcon::Question, MsgButtons::YesNo);
        if (r != MsgResult::Yes)
            return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        program.prompts().message(
            QStringLiteral("ERROR:  \"%1\" could not be read: %2").arg(path, file.errorString()), MsgIcon::Critical);
        return;
    }
    // Read one byte more than allowed rather than trusting the size: a device or a
    // growing file reports none, and must not be read without end.
    const QByteArray bytes = file.read(kReadInLimit + 1);
    if (bytes.size() > kReadInLimit || file.size() > kReadInLimit) {
        program.prompts().message(
            QStringLiteral("ERROR:  \"%1\" is bigger than 32k.  Cannot Read Into A Note!").arg(path), MsgIcon::Critical);
        return;
    }
    if (file.error() != QFileDevice::NoError) {
        program.prompts().message(
            QStringLiteral("ERROR:  \"%1\" could not be read: %2").arg(path, file.errorString()), MsgIcon::Critical);
        return;
    }
    w->setText(QString());
    w->setText(QString::fromLocal8Bit(bytes));
}

} // namespace pellux::NoteProc
