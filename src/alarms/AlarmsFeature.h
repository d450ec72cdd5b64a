#pragma once

namespace pellux {

class Program;

/// Installs the alarms: the "Alarm Properties" dialog of every note and the window a due alarm opens.
void InstallAlarms(Program &program);

/**
 * A note's alarm menu item: "Alarm Properties" for the note in slot \a n, started
 * from its alarm; what the dialog saves becomes the note's alarm (and its menu tick).
 */
void SetAlarm(Program &program, int n);

} // namespace pellux
