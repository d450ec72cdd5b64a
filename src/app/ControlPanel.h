#pragma once

#include "core/NoteRecord.h"

class QWidget;

namespace pellux {

/**
 * The Note Control Panel as the program's spine sees it. The panel is a feature of
 * its own (it depends on the spine, never the other way round); it installs a
 * factory for this interface, and the spine creates the panel on first use, as the
 * settings load does.
 */
class ControlPanel
{
public:
    virtual ~ControlPanel() = default;

    /// The panel's window (shown, hidden and placed by the spine at start-up and shutdown).
    virtual QWidget *window() = 0;
    /// The font of the panel's note list: the default of the new-note font settings.
    virtual NoteStyle listFontStyle() const = 0;
    /// The settings have just been loaded: take the geometry, the sample and the check boxes.
    virtual void settingsLoaded() = 0;
    /// The auto-save and window-check timers (the store load enables them).
    virtual void setNoteTimersEnabled(bool on) = 0;
    /// Takes the tray icon away (the first step of shutting down).
    virtual void removeTrayIcon() = 0;
    /// Puts the tray icon into the notification area, or takes it out, at once.
    virtual void setTrayIconShown(bool on) = 0;
    /// 0 normal, 1 minimised, 2 maximised.
    virtual int windowStateValue() const = 0;
    /// Brings the panel up: restored, shown and in front.
    virtual void bringUp() = 0;
    /// Closes the panel, which runs the shutdown (asking first unless the exit is confirmed).
    virtual void requestExit() = 0;
    /// Unloads the tray menu (shutdown unloads it before the panel itself).
    virtual void unloadTrayMenu() = 0;
};

} // namespace pellux
