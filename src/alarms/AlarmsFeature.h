#pragma once

namespace pellux {

class Program;

/// Installs the alarms: the window a due alarm opens.
void InstallAlarms(Program &program);

} // namespace pellux
