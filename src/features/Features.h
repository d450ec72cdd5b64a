#pragma once

namespace pellux {

class Program;

/// Installs every feature of this build into \a program, before its start-up runs.
void InstallFeatures(Program &program);

} // namespace pellux
