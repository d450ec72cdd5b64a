#include "app/Program.h"
#include "features/Features.h"
#include "platform/DesktopPlatform.h"
#include "platform/KeychainSecretStore.h"
#include "platform/QtPrompts.h"

#include <QApplication>
#include <QDir>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void onTerminationSignal(int)
{
    const char c = 1;
    // Only async-signal-safe work here: the event loop picks it up.
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &c, 1);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pellux"));
    QApplication::setOrganizationName(QStringLiteral("PelluxNotes"));
    QApplication::setQuitOnLastWindowClosed(false);

    pellux::QtPrompts prompts;
    pellux::SystemClock clock;
    pellux::QtScreenMetrics screen;
    pellux::DesktopSystemQueries system;
    pellux::KeychainSecretStore secrets;
    pellux::Program program({prompts, clock, screen, system, &secrets});
    pellux::InstallFeatures(program);
    program.appPath = QCoreApplication::applicationDirPath();
    program.workingDirectory = QDir::currentPath();

    // SIGTERM and SIGINT (and the session ending) run the orderly shutdown.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) == 0) {
        auto *notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &program, [&program, notifier] {
            char c;
            [[maybe_unused]] const ssize_t n = ::read(g_signalPipe[0], &c, 1);
            notifier->setEnabled(false);
            program.TerminateRequested();
        });
        struct sigaction sa = {};
        sa.sa_handler = onTerminationSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        sigaction(SIGTERM, &sa, nullptr);
        sigaction(SIGINT, &sa, nullptr);
        sigaction(SIGHUP, &sa, nullptr);
    }
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &program, [&program](QSessionManager &) {
        if (program.storeLoaded())
            program.SaveNotes();
    });

    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    if (const std::optional<int> code = program.Main(arguments))
        return *code;
    return QApplication::exec();
}
