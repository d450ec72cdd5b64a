#pragma once

#include <QString>
#include <QUrl>

class QWidget;

namespace pellux {

/// Questions the program asks the operating system and the desktop.
class SystemQueries
{
public:
    virtual ~SystemQueries() = default;
    /// The computer's network name.
    virtual QString computerName() const = 0;
    /// Folder for temporary files, ending in a separator.
    virtual QString tempFolder() const = 0;
    /// The per-user application data folder (no trailing separator); empty on failure.
    virtual QString appDataFolder() const = 0;
    virtual int osMajorVersion() const = 0;
    /// The window of this program that has the foreground, or null when another program has it.
    virtual QWidget *foregroundWindow() const = 0;
    /// Whether a screen saver is running now.
    virtual bool screenSaverActive() const = 0;
    /// Whether the session is locked now.
    virtual bool sessionLocked() const = 0;
    /// The desktop's double-click time in milliseconds.
    virtual int doubleClickTime() const = 0;
    /// Opens an address with the desktop's default handler (a web page in the browser).
    virtual bool openUrl(const QUrl &url) = 0;
};

} // namespace pellux
