#include "alarms/AlarmsFeature.h"

#include "alarms/frmAlarm.h"
#include "app/Commands.h"
#include "app/Program.h"

namespace pellux {

void InstallAlarms(Program &program)
{
    program.hub().provide(Feature::FireAlarm, [&program](int slot) {
        // A window of its own for every firing; it unloads itself when closed.
        auto *window = new frmAlarm(program);
        window->FireAlarm(slot);
    });
}

} // namespace pellux
