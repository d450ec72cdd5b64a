#include "printing/PrintingFeature.h"

#include "app/Commands.h"
#include "app/FlashMsg.h"
#include "app/Program.h"
#include "core/render/NoteHtml.h"
#include "platform/Clock.h"
#include "platform/PrintSystem.h"
#include "platform/Prompts.h"
#include "printing/PrintDocuments.h"

#include <QDir>
#include <QFileInfo>
#include <QTextDocument>

namespace pellux {

namespace {

/// What the print queue shows for the job.
QString jobTitleOf(const QString &title)
{
    return title.isEmpty() ? QStringLiteral("Pellux Note") : title;
}

void printToPdfFile(Program &program, const QTextDocument &doc, const QString &title)
{
    FileRequest request;
    request.title = PrintToPdfEntry;
    const QString stem = CleanFileName(title);
    request.fileName = (stem.isEmpty() ? QStringLiteral("Note") : stem) + QStringLiteral(".pdf");
    request.filters = QStringList{QStringLiteral("PDF Files (*.pdf)"), QStringLiteral("All Files (*)")};
    request.overwritePrompt = true;
    const FileAnswer answer = program.prompts().saveFile(request);
    if (answer.path.isEmpty())
        return;

    program.flash().DispMsg(QStringLiteral("Printing to ") + QFileInfo(answer.path).fileName() + QStringLiteral("..."));
    QString error;
    const bool written = WriteDocumentPdf(doc, answer.path, QString(), &error);
    program.flash().StopMsg();
    if (!written)
        program.prompts().message(QStringLiteral("Pellux could not print \"%1\": %2").arg(title, error),
                                  MsgIcon::Exclamation);
}

void printNote(Program &program, int slot, bool checkList)
{
    if (!program.note(slot))
        return;
    const StoredNote note = program.storedNoteFromWindow(slot);
    PrintSystem &system = program.printers();
    const QStringList printers = system.printerNames();
    PrinterRequest request{printers, system.defaultPrinterName()};
    // Offered after the printers, and alone where the system has none.
    request.printers << PrintToPdfEntry;
    const PrinterChoice choice = program.prompts().printer(request);
    if (choice.printerIndex < 0 || choice.printerIndex >= request.printers.size())
        return;

    std::optional<QDateTime> printedOn;
    if (program.settings.NoteDTPrint)
        printedOn = program.clock().now();
    const std::unique_ptr<QTextDocument> doc =
        checkList ? CheckListPrintDocument(note.title, note.rows, note.style, printedOn, CheckMarksOfThisSystem())
                  : TextNotePrintDocument(note.title, note.text, note.style, note.dynamicTitle, printedOn);

    if (choice.printerIndex == printers.size()) {
        printToPdfFile(program, *doc, note.title);
        return;
    }

    const QString printer = printers.at(choice.printerIndex);
    const int copies = qMax(1, choice.copies);
    program.flash().DispMsg(QStringLiteral("Printing to ") + printer + QStringLiteral("..."));
    for (int copy = 1; copy <= copies; ++copy) {
        const PrintJobResult result = system.print(*doc, printer, jobTitleOf(note.title));
        if (result.ok)
            continue;
        program.flash().StopMsg();
        QString text = QStringLiteral("Pellux could not print \"%1\" on %2: %3").arg(note.title, printer, result.error);
        if (copy > 1)
            text += QStringLiteral("\r\r%1 of %2 copies went to the printer before this.").arg(copy - 1).arg(copies);
        program.prompts().message(text, MsgIcon::Exclamation);
        return;
    }
    program.flash().StopMsg();
}

} // namespace

void PrintTextNote(Program &program, int slot)
{
    printNote(program, slot, false);
}

void PrintCheckList(Program &program, int slot)
{
    printNote(program, slot, true);
}

void InstallPrinting(Program &program)
{
    program.hub().provide(Feature::PrintNote, [&program](int slot) {
        const NoteEntry *entry = program.notes().entry(slot);
        if (!entry || !program.note(slot))
            return;
        if (entry->kind == NoteKind::CheckList)
            PrintCheckList(program, slot);
        else
            PrintTextNote(program, slot);
    });
    // The spooler took the job but the printer did not print it.
    QObject::connect(&program.printers(), &PrintSystem::jobFailed, &program,
                     [&program](const QString &printer, const QString &jobTitle, const QString &reason) {
                         program.prompts().message(
                             QStringLiteral("\"%1\" has not been printed on %2: %3").arg(jobTitle, printer, reason),
                             MsgIcon::Exclamation);
                     });
}

} // namespace pellux
