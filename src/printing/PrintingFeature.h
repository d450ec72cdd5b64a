#pragma once

#include <QString>

namespace pellux {

class Program;

/// The entry after the printers in the printer dialog: a PDF file instead of paper.
inline const QString PrintToPdfEntry = QStringLiteral("Print to PDF file...");

/// Installs printing: "P&rint Note..." of both kinds and the panel's print button.
void InstallPrinting(Program &program);

/// Prints the text note in \a slot: the printer dialog, then one job per copy.
void PrintTextNote(Program &program, int slot);
/// Prints the check list in \a slot, the same way.
void PrintCheckList(Program &program, int slot);

} // namespace pellux
