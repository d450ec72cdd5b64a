#include "about/AboutFeature.h"

#include "about/frmAbout.h"
#include "app/Commands.h"
#include "app/ControlPanel.h"
#include "app/Program.h"
#include "core/about/AboutRules.h"

#include <QApplication>

namespace pellux {

void InstallAbout(Program &program)
{
    program.hub().provide(Feature::About, [&program](int) {
        const QIcon icon = program.hasPanel() && program.panel()->window() ? program.panel()->window()->windowIcon()
                                                                           : QApplication::windowIcon();
        frmAbout box(program);
        box.ShowAbout(icon, maker::PelluxPage);
    });
}

} // namespace pellux
