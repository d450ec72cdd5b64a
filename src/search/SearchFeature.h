#pragma once

namespace pellux {

class Program;

/**
 * Installs the search: the panel's "Search Notes" button and the tray menu's item
 * open "Pellux Search" (or bring forward the one already open).
 */
void InstallSearch(Program &program);

} // namespace pellux
