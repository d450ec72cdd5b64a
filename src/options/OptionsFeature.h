#pragma once

namespace pellux {

class Program;

/**
 * Installs the program options: "Pellux Program Options" from the panel's button,
 * the tray menu, the first-run question and the e-mail dialog. Once it closes,
 * every note's menus follow the menu style.
 */
void InstallOptions(Program &program);

/// Shows the options dialog modally, then refreshes every note's menus.
void ShowProgramOptions(Program &program);

} // namespace pellux
