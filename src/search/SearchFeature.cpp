#include "search/SearchFeature.h"

#include "app/Commands.h"
#include "app/Program.h"
#include "search/frmPelluxSearch.h"

#include <QPointer>

#include <memory>

namespace pellux {

void InstallSearch(Program &program)
{
    auto open = std::make_shared<QPointer<frmPelluxSearch>>();
    program.hub().provide(Feature::Search, [&program, open](int) {
        frmPelluxSearch *w = *open;
        if (!w) {
            w = new frmPelluxSearch(program);
            w->setAttribute(Qt::WA_DeleteOnClose);
            // A window still open when the program ends is deleted with it.
            QObject::connect(&program, &QObject::destroyed, w, [w] { delete w; });
            *open = w;
        }
        w->show();
        w->raise();
        w->activateWindow();
    });
}

} // namespace pellux
