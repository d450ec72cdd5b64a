#include "notes/NoteProc.h"

#include "app/Commands.h"
#include "app/Program.h"
#include "core/NoteRecord.h"
#include "core/TextRules.h"
#include "core/notefile/NoteFile.h"
#include "core/notefile/Windows1252.h"
#include "notes/TextNoteProt.h"
#include "platform/Prompts.h"

#include <QFile>
#include <QFileInfo>

namespace pellux::NoteProc {

namespace {

/// The largest file read into a note, in bytes.
constexpr qint64 kReadInLimit = 32768;

TextNoteProt *textNote(Program &program, int slot)
{
    return qobject_cast<TextNoteProt *>(program.note(slot));
}

/// A new text note window placed in \a slot with the table's facts of \a entry.
TextNoteProt *createWindow(Program &program, int slot, NoteEntry entry)
{
    auto *w = new TextNoteProt(program);
    entry.kind = NoteKind::TextNote;
    if (entry.type.isEmpty())
        entry.type = NoteTypeOf(NoteKind::TextNote);
    program.placeNote(slot, w, entry);
    return w;
}

/// The text of a rebuilt note, set as the user would have left it (nothing to undo).
void setLoadedText(TextNoteProt *w, const QString &text)
{
    w->setText(text);
    w->TxtData_Change();
    w->TxtData->document()->clearUndoRedoStacks();
    w->mnuUndo->setEnabled(false);
}

} // namespace

bool NewTextNote(Program &program, QString &title)
{
    const NoteDefaults defaults = program.noteDefaults();
    if (!defaults.dynamicTitle) {
        if (title.isEmpty())
            title = QStringLiteral("Note") + BasicNumber(program.upperBound() + 1);
        const QString answer = program.prompts().input(QStringLiteral("What do you want for the title of this note?"),
                                                       QStringLiteral("Note Title"), title);
        if (answer.isEmpty())
            return false;
        title = answer;
    } else {
        title = QStringLiteral("(Blank)");
    }

    NoteEntry entry;
    entry.title = title;
    entry.guid = program.NewUniqueNoteGUID();
    entry.onTop = defaults.ontop;
    entry.rollUp = defaults.rollup;
    entry.dynamicTitle = defaults.dynamicTitle;
    TextNoteProt *w = createWindow(program, program.upperBound() + 1, entry);
    program.placeNewNote(w);
    w->show();
    w->raise();
    w->activateWindow();
    w->TxtData->setFocus();
    return true;
}

TextNoteProt *TextNoteFromRecord(Program &program, const TextNoteRecord &record, int slot, const QString &title)
{
    NoteEntry entry;
    entry.title = title;
    entry.onTop = record.onTop;
    entry.rollUp = record.rollUp;
    entry.dynamicTitle = record.dynamicTitle;
    TextNoteProt *w = createWindow(program, slot, entry);
    w->setNoteStyle(record.style);
    QString text = record.text;
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    setLoadedText(w, text);
    return w;
}

TextNoteRecord TextNoteToRecord(Program &program, int slot)
{
    TextNoteRecord r;
    TextNoteProt *w = textNote(program, slot);
    if (!w)
        return r;
    const NoteEntry &e = *program.notes().entry(slot);
    r.style = w->noteStyle();
    r.onTop = e.onTop;
    r.text = w->text();
    r.dynamicTitle = e.dynamicTitle;
    r.rollUp = e.rollUp;
    return r;
}

TextNoteProt *TextNoteFromStored(Program &program, const StoredNote &note, int slot)
{
    TextNoteProt *w = createWindow(program, slot, Program::EntryOf(note));
    w->setNoteStyle(note.style);
    setLoadedText(w, note.text);
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
    if (slot == 0) {
        PickSampleColor(program, fore);
        return;
    }
    // Check lists have their own style procedures; an empty slot has nothing to style.
    TextNoteProt *w = textNote(program, slot);
    if (!w)
        return;
    NoteStyle s = w->noteStyle();
    if (PickStyleColor(program, fore ? s.foreColor : s.backColor))
        w->setNoteStyle(s);
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
    if (slot == 0) {
        PickSampleFont(program);
        return;
    }
    TextNoteProt *w = textNote(program, slot);
    if (!w)
        return;
    NoteStyle s = w->noteStyle();
    if (PickStyleFont(program, s, true))
        w->setNoteStyle(s);
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
        if (IsNoteFileName(path))
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
    if (filterIndex == 2 || IsNoteFileName(path)) {
        // A note file adds or replaces notes of its own; this note is left as it is.
        program.hub().LoadNoteFile(path);
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
    w->setText(DecodeTextFile(bytes));
}

} // namespace pellux::NoteProc
