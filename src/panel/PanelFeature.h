#pragma once

namespace pellux {

class NCP;
class Program;
class frmPelluxMenu;

/// Installs the Note Control Panel (with its tray icon and tray menu) as the program's panel.
void InstallPanel(Program &program);

/// The program's panel (created on first use, as the settings load does).
NCP &ncp(Program &program);
/// The panel's tray menu.
frmPelluxMenu &trayMenu(Program &program);

} // namespace pellux
