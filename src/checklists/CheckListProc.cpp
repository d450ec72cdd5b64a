#include "checklists/CheckListProc.h"

#include "app/Commands.h"
#include "app/Program.h"
#include "checklists/CheckListProt.h"
#include "core/notefile/NoteFile.h"
#include "core/notefile/Windows1252.h"
#include "core/store/StoreWriter.h"
#include "platform/Prompts.h"

#include <QFile>

namespace pellux::CheckListProc {

namespace {

CheckListProt *checkList(Program &program, int slot)
{
    return qobject_cast<CheckListProt *>(program.note(slot));
}

/// A new check-list window placed in \a slot with the table's facts of \a entry.
CheckListProt *placeWindow(Program &program, int slot, NoteEntry entry)
{
    auto *w = new CheckListProt(program);
    entry.kind = NoteKind::CheckList;
    entry.dynamicTitle = false;
    if (entry.type.isEmpty())
        entry.type = NoteTypeOf(NoteKind::CheckList);
    program.placeNote(slot, w, entry);
    return w;
}

/// The lines of a text: a line ends at CR LF, LF or CR; a final line break opens no further line.
QStringList textLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

} // namespace

bool NewCheckList(Program &program, QString &title)
{
    if (title.isEmpty())
        title = QStringLiteral("Note ") + QString::number(program.upperBound() + 1);
    const QString answer = program.prompts().input(QStringLiteral("What do you want for the title of this check list?"),
                                                   QStringLiteral("Check List Title"), title);
    if (answer.isEmpty())
        return false;
    title = answer;

    const NoteDefaults defaults = program.noteDefaults();
    NoteEntry entry;
    entry.title = title;
    entry.guid = program.NewUniqueNoteGUID();
    entry.onTop = defaults.ontop;
    entry.rollUp = defaults.rollup;
    CheckListProt *w = placeWindow(program, program.upperBound() + 1, entry);
    w->ResetNoteSize();
    program.placeNewNote(w);
    w->show();
    w->activateWindow();
    w->focusRow(1);
    return true;
}

void RetitleCheckList(Program &program, int NoteNum)
{
    CheckListProt *w = checkList(program, NoteNum);
    if (!w)
        return;
    w->RetitleFromPrompt(QStringLiteral("Check List Title"));
}

void SetCheckListFont(Program &program, int NoteNum)
{
    CheckListProt *w = checkList(program, NoteNum);
    if (!w)
        return;
    NoteStyle s = w->noteStyle();
    // The dialog's strike-through is not taken: row 1's strike-through is its check mark's.
    if (PickStyleFont(program, s, false))
        w->setNoteStyle(s);
}

static void pickColor(Program &program, int NoteNum, bool fore)
{
    CheckListProt *w = checkList(program, NoteNum);
    if (!w)
        return;
    NoteStyle s = w->noteStyle();
    if (PickStyleColor(program, fore ? s.foreColor : s.backColor))
        w->setNoteStyle(s);
}

void SetCheckListForeColor(Program &program, int NoteNum)
{
    pickColor(program, NoteNum, true);
}

void SetCheckListBackColor(Program &program, int NoteNum)
{
    pickColor(program, NoteNum, false);
}

void ReadCheckListIn(Program &program, int NoteNum)
{
    CheckListProt *w = checkList(program, NoteNum);
    if (!w)
        return;
    FileRequest request;
    request.title = QStringLiteral("Read In");
    request.filters = {QStringLiteral("Text Files (*.txt)"), QStringLiteral("Pellux Note File (*.NoteFile)"),
                       QStringLiteral("All Files (*)")};
    request.mustExist = true;
    const FileAnswer answer = program.prompts().openFile(request);
    if (answer.path.isEmpty())
        return;
    if (answer.filterIndex == 2 || IsNoteFileName(answer.path)) {
        // A note file adds or replaces notes of its own; this list is left as it is.
        program.hub().LoadNoteFile(answer.path);
        return;
    }
    QFile file(answer.path);
    if (!file.open(QIODevice::ReadOnly)) {
        program.prompts().message(
            QStringLiteral("ERROR:  \"%1\" could not be read: %2").arg(answer.path, file.errorString()),
            MsgIcon::Critical);
        return;
    }
    // Read whole before adding anything, so a failed read adds no rows at all.
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        program.prompts().message(
            QStringLiteral("ERROR:  \"%1\" could not be read: %2").arg(answer.path, file.errorString()),
            MsgIcon::Critical);
        return;
    }
    file.close();
    const QStringList lines = textLines(DecodeTextFile(bytes));
    // Every line becomes a row with its own controls: a large file chosen by
    // mistake would take long and much memory, so ask before going ahead.
    if (lines.size() > LargeReadInLines) {
        const MsgResult go = program.prompts().message(
            QStringLiteral("\"%1\" has %2 lines.  Reading it in adds one row for each line.\r\rContinue This Action?")
                .arg(answer.path)
                .arg(lines.size()),
            MsgIcon::Question, MsgButtons::YesNo, QStringLiteral("Pellux"), MsgResult::No);
        if (go != MsgResult::Yes)
            return;
    }
    w->beginRowBatch();
    for (const QString &line : lines)
        w->AddLine(line, 0);
    w->endRowBatch();
}

void CheckListDataToXml(Program &program, int NoteNum)
{
    program.XmlFragmentDoc = QDomDocument();
    CheckListProt *w = checkList(program, NoteNum);
    program.XmlFragment = CheckListDataElement(program.XmlFragmentDoc, w ? w->rows() : QList<CheckRow>{});
}

CheckListProt *LoadCheckListXml(Program &program, const QDomElement &note, int NoteNum)
{
    return CheckListFromStored(program, program.storedNoteFromElement(note), NoteNum);
}

CheckListProt *CheckListFromStored(Program &program, const StoredNote &note, int NoteNum)
{
    CheckListProt *w = placeWindow(program, NoteNum, Program::EntryOf(note));
    w->setNoteStyle(note.style);
    // A list stored without a height (an old store kept 0) fits its rows.
    if (!note.height)
        w->ResetNoteSize();
    // The rows go in one batch and are laid out once at the end.
    w->beginRowBatch();
    for (const CheckRow &row : note.rows)
        w->AddLine(row.text, row.checked ? -1 : 0);
    w->endRowBatch();
    return w;
}

} // namespace pellux::CheckListProc
