#include "features/Features.h"

#include "about/AboutFeature.h"
#include "alarms/AlarmsFeature.h"
#include "checklists/CheckListsFeature.h"
#include "mail/MailFeature.h"
#include "notefiles/NoteFilesFeature.h"
#include "notes/TextNotesFeature.h"
#include "options/OptionsFeature.h"
#include "panel/PanelFeature.h"
#include "password/PasswordFeature.h"
#include "printing/PrintingFeature.h"
#include "search/SearchFeature.h"

namespace pellux {

void InstallFeatures(Program &program)
{
    InstallTextNotes(program);
    InstallCheckLists(program);
    InstallAlarms(program);
    InstallPassword(program);
    InstallPrinting(program);
    InstallMail(program);
    InstallNoteFiles(program);
    InstallSearch(program);
    InstallOptions(program);
    InstallAbout(program);
    // The panel last: its buttons and menus show which commands the others provide.
    InstallPanel(program);
}

} // namespace pellux
