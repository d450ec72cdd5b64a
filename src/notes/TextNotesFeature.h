#pragma once

namespace pellux {

class Program;

/// Installs the text notes: how the program rebuilds one from the store and makes a new one.
void InstallTextNotes(Program &program);

} // namespace pellux
