#include "panel/PanelTray.h"

#include "app/Program.h"
#include "panel/Artwork.h"
#include "panel/NCP.h"
#include "panel/frmPelluxMenu.h"
#include "platform/ModalScope.h"

#include "bwSysTrayLoader.h"

#include <QCursor>
#include <QMenu>
#include <QVariant>

namespace pellux {

namespace {

const QString kTrayTip = QStringLiteral("Single: Add A Pellux  |  Double: Control Panel  |  Right: Menu");

} // namespace

PanelTray::PanelTray(Program &program, NCP &panel)
    : m_program(program)
    , m_panel(panel)
{
}

PanelTray::~PanelTray() = default;

void PanelTray::create(QWidget *host)
{
    QString why;
    QObject *control = m_program.createTrayControl
                           ? m_program.createTrayControl(host, &why)
                           : bwSysTrayLoader::createControl(bwSysTrayLoader::trayClassName(), host, true,
                                                            bwSysTrayLoader::defaultFolders(), &why);
    if (!control) {
        qWarning("Pellux: no tray icon (%s); the minimised panel keeps its taskbar button.", qPrintable(why));
        return;
    }
    // Deleting the panel must take the icon with it.
    if (control->parent() != host)
        control->setParent(host);
    TrayNot = control;
    // The control is reached by name only, so its events arrive through string-based connections.
    connect(control, SIGNAL(MouseClick(int)), this, SLOT(TrayNot_MouseClick(int)));
    connect(control, SIGNAL(MouseDblClick(int)), this, SLOT(TrayNot_MouseDblClick(int)));
    control->setProperty("TrayTip", kTrayTip);
    control->setProperty("TrayIcon", QVariant::fromValue(programIcon()));
}

void PanelTray::show(bool on)
{
    if (TrayNot)
        TrayNot->setProperty("InTray", on);
}

bool PanelTray::inTray() const
{
    return TrayNot && TrayNot->property("InTray").toBool();
}

void PanelTray::remove()
{
    if (TrayNot)
        TrayNot->setProperty("InTray", false);
}

void PanelTray::refresh()
{
    if (inTray())
        QMetaObject::invokeMethod(TrayNot, "Refresh");
}

void PanelTray::TrayNot_MouseClick(int Button)
{
    if (m_program.modal().active())
        return;
    if (Button == 1)
        m_panel.mnuPelluxAdd();
    else if (Button == 2)
        popupTrayMenu();
}

void PanelTray::TrayNot_MouseDblClick(int Button)
{
    if (m_program.modal().active())
        return;
    if (Button == 1)
        m_panel.mnuPelluxControl();
}

void PanelTray::popupTrayMenu()
{
    frmPelluxMenu &menu = m_panel.trayMenu();
    menu.popup()->setDefaultAction(menu.mnuPelluxAdd);
    menu.popup()->popup(QCursor::pos());
}

} // namespace pellux
