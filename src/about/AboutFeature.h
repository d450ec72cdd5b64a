#pragma once

namespace pellux {

class Program;

/// Installs the About box: the panel's "About P&ellux" button and the tray menu's banner item.
void InstallAbout(Program &program);

} // namespace pellux
