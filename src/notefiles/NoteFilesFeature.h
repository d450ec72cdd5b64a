#pragma once

namespace pellux {

class Program;

/// Installs the note files: "&Save Note To File..." of every note and the single-note import.
void InstallNoteFiles(Program &program);

} // namespace pellux
