#pragma once

namespace pellux {

class Program;

/// Installs password protection: the notes' "&Password Protect..." command.
void InstallPassword(Program &program);

/**
 * The protect command of the note in \a slot: asks, then lifts the protection of a
 * protected note, or sets a new password (typed twice) on one that is not. The
 * panel's display and the note's tray item follow the note table.
 */
void ProtectNote(Program &program, int slot);

} // namespace pellux
