#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

namespace pellux {

class NCP;
class Program;

/**
 * The panel's tray icon: the control created by its registered class name (it may
 * come from a plugin, so it is reached by name only), its properties, and what its
 * clicks do.
 */
class PanelTray : public QObject
{
    Q_OBJECT

public:
    PanelTray(Program &program, NCP &panel);
    ~PanelTray() override;

    /// The tray icon control; null when none could be created.
    QPointer<QObject> TrayNot;

    /// Creates the control (the panel's load step), owned by the panel's window.
    void create(QWidget *host);
    /// Shows the icon when the settings ask for it.
    void show(bool on);
    bool inTray() const;
    /// Takes the icon out of the notification area.
    void remove();
    /// Puts the icon back if the shell lost it (the 5 s tray check).
    void refresh();

public slots:
    void TrayNot_MouseClick(int Button);
    void TrayNot_MouseDblClick(int Button);

private:
    void popupTrayMenu();

    Program &m_program;
    NCP &m_panel;
};

} // namespace pellux
