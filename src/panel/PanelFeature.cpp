#include "panel/PanelFeature.h"

#include "app/Program.h"
#include "panel/NCP.h"
#include "panel/frmPelluxMenu.h"

namespace pellux {

void InstallPanel(Program &program)
{
    program.setPanelFactory([](Program &p) -> std::unique_ptr<ControlPanel> {
        auto panel = std::make_unique<NCP>(p);
        panel->Form_Load();
        return panel;
    });
}

NCP &ncp(Program &program)
{
    return *static_cast<NCP *>(program.panel());
}

frmPelluxMenu &trayMenu(Program &program)
{
    return ncp(program).trayMenu();
}

} // namespace pellux
