#include "options/OptionsFeature.h"

#include "app/Commands.h"
#include "app/NoteWindow.h"
#include "app/Program.h"
#include "options/frmOptions.h"
#include "platform/Prompts.h"

#include <QPointer>

namespace pellux {

void ShowProgramOptions(Program &program)
{
    {
        frmOptions dlg(program);
        dlg.Form_Load();
        program.prompts().dialog(dlg);
    }
    // The menu style reaches the notes that are open now.
    for (int slot = 1; slot <= program.upperBound(); ++slot)
        if (NoteWindow *w = program.note(slot))
            w->UpdateMenus();
}

void InstallOptions(Program &program)
{
    program.hub().provide(Feature::ProgramOptions, [&program](int) { ShowProgramOptions(program); });
}

} // namespace pellux
