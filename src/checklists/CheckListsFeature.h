#pragma once

namespace pellux {

class Program;

/// Installs the check lists: how the program rebuilds one from the store and makes a new one.
void InstallCheckLists(Program &program);

} // namespace pellux
