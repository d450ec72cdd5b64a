#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace pellux::test {

/**
 * A small desktop for the tests that offscreen cannot show: a virtual X server
 * (Xvfb, on a display it picks itself), a real window manager (openbox) and, when
 * asked, a tray host (trayer, docked at the top edge). Started by the test and
 * stopped with it; nothing of the machine's own display is touched.
 *
 * A test either runs the program as a child process with environment(), or makes
 * itself a client with useInThisProcess() before its QApplication exists (see
 * DESKTOP_TEST_MAIN). xdotool() and xprop() ask the X server for what the user
 * would see: the active window, the stacking order, a window's state.
 */
class DesktopSession
{
public:
    DesktopSession();
    ~DesktopSession();
    DesktopSession(const DesktopSession &) = delete;
    DesktopSession &operator=(const DesktopSession &) = delete;

    /// The programs this needs that the machine lacks; empty when it can run.
    static QStringList missingPrograms();

    /// Starts the server, the window manager and (with \a trayHost) the tray host;
    /// false with error() when any of them does not come up.
    bool start(bool trayHost = true);
    void stop();
    QString error() const { return m_error; }

    /// ":N".
    QString display() const { return m_display; }
    /// The tray host's process (0 when there is none); its windows hold the tray icons.
    qint64 trayHostPid() const { return m_trayHost ? m_trayHost->processId() : 0; }
    /// The system's environment pointed at this desktop (Qt on xcb).
    QProcessEnvironment environment() const;
    /// Points this process at the desktop; before the QApplication is made.
    void useInThisProcess() const;

    /// Runs xdotool with \a arguments; its output without the final line break.
    /// \a ok (when given) tells whether it exited 0.
    QString xdotool(const QStringList &arguments, bool *ok = nullptr) const;
    /// One property of the root window (\a window 0) or of a window, as xprop prints it.
    QString xprop(const QString &property, unsigned long window = 0) const;

    /// The window that has the input focus as the window manager sees it (0 when none).
    unsigned long activeWindow() const;
    /// Client windows from bottom to top, as the window manager stacks them.
    QList<unsigned long> stackingOrder() const;
    /// The window's frame on the screen, title bar and border included, as the X server
    /// and the window manager have it (invalid when unknown).
    QRect frameOf(unsigned long window) const;
    /// Whether the window manager shows \a window (mapped, not minimised).
    bool isShown(unsigned long window) const;

private:
    bool startProgram(std::unique_ptr<QProcess> &process, const QString &program, const QStringList &arguments);
    bool waitFor(const std::function<bool()> &condition, int timeoutMs) const;
    QString run(const QString &program, const QStringList &arguments, bool *ok) const;

    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_server;
    std::unique_ptr<QProcess> m_windowManager;
    std::unique_ptr<QProcess> m_trayHost;
    QString m_display;
    QString m_error;
};

} // namespace pellux::test
