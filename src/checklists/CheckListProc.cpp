#include "checklists/CheckListProc.h"

#include "checklists/CheckListProt.h"
#include "core/store/StoreWriter.h"
#include "core/app/Program.h"
#include "panel/NCP.h"
#include "panel/frmPelluxMenu.h"
#include "platform/Prompts.h"

#include <QCheckBox>   // the panel's new-note defaults
#include <QFile>

namespace pellux::CheckListProc {

namespace {

CheckListProt *checkList(Program &program, int slot)
{
    return qobject_cast<CheckListProt *>(program.note(slot));
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
    NCP &panel = program.ncp();
    ++program.modalDialog;
    if (title.isEmpty())
        title = QStringLiteral("Note ") + QString::number(program.upperBound() + 1);
    const QString answer = program.prompts().input(QStringLiteral("What do you want for the title of this check list?"),
                                                   QStringLiteral("Check List Title"), title);
    --program.modalDialog;
    if (answer.isEmpty())
        return false;
    title = answer;

    const int n = program.growNotes();
    auto *w = new CheckListProt(program);
    program.placeNote(n, w);
    w->NoteNum = qint16(n);
    w->mnuRollUp->setChecked(panel.chkRollup->isChecked());
    // A ticked "Always On Top" that left the window in the normal layer would say
    // something untrue until the next start: the placement goes with the tick.
    if (panel.chkAlwaysOnTop->isChecked()) {
        w->mnuOnTop->setChecked(true);
        w->setTopmost(true);
    }
    w->ResetNoteSize();
    w->setCaption(title);
    w->show();
    w->NoteGUID = program.NewNoteGUID();
    w->activateWindow();
    w->focusRow(1);

    panel.appendListEntry(title);
    w->noteType = QStringLiteral("CheckList");
    program.trayMenu().CreateNoteList(n);
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
    const std::optional<FontChoice> chosen = program.prompts().font(fontChoiceOf(s));
    // Cancelled: the preset would be applied again, which changes nothing.
    if (!chosen)
        return;
    // The dialog's strike-through is not taken: row 1's strike-through is its check mark's.
    applyFontChoice(s, *chosen, false);
    w->setNoteStyle(s);
}

static void pickColor(Program &program, int NoteNum, bool fore)
{
    CheckListProt *w = checkList(program, NoteNum);
    if (!w)
        return;
    NoteStyle s = w->noteStyle();
    ColorValue &target = fore ? s.foreColor : s.backColor;
    const std::optional<QColor> chosen = program.prompts().color(toQColor(target));
    if (!chosen || !chosen->isValid())
        return;
    target = fromQColor(*chosen);
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
    if (answer.filterIndex == 2) {
        program.prompts().message(
            QStringLiteral("ERROR:  \"%1\" is a Pellux Note File.  This version of Pellux cannot read Note Files.")
                .arg(answer.path),
            MsgIcon::Critical);
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
    const QStringList lines = textLines(QString::fromLocal8Bit(bytes));
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
    auto *w = new CheckListProt(program);
    program.placeNote(NoteNum, w);
    w->NoteNum = qint16(NoteNum);
    w->setCaption(note.title);
    program.trayMenu().CreateNoteList(NoteNum);
    w->setNoteStyle(note.style);
    if (note.ontop) {
        w->mnuOnTop->setChecked(true);
        w->setTopmost(true);
    }
    if (note.rollup)
        w->mnuRollUp->setChecked(true);
    // The rows go in one batch and are laid out once at the end.
    w->beginRowBatch();
    for (const CheckRow &row : note.rows)
        w->AddLine(row.text, row.checked ? -1 : 0);
    w->endRowBatch();
    return w;
}

} // namespace pellux::CheckListProc
