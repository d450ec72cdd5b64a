// Sends one command to the running Pellux over its control channel, for scripts and
// synchronisation tools. Exit status: 0 accepted, 1 refused, 2 no instance answered,
// 64 (EX_USAGE) when the command line was wrong.

#include "core/channel/ControlClient.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#include <sysexits.h>

namespace {

constexpr int kAccepted = 0;
constexpr int kRefused = 1;
constexpr int kNoInstance = 2;
// A wrong command line is the caller's mistake, not an absent Pellux: a script must be able to tell them apart.
constexpr int kUsage = EX_USAGE;

void printUsage(FILE *out)
{
    std::fputs("usage: pellux-send COMMAND\n"
               "  COMMAND: AreYouThere, SyncOn, SyncOff, ControlPanel, Exit, SaveNotes,\n"
               "           LoadNotes, UnloadNotes, or LoadNote|PATH\n"
               "exit status: 0 accepted, 1 refused, 2 no running instance answered,\n"
               "             64 the command line was wrong (not exactly one command)\n",
               out);
}

void printError(const QString &text)
{
    std::fprintf(stderr, "pellux-send: %s\n", qPrintable(text));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);

    if (args.size() == 1 && (args.first() == QLatin1String("-h") || args.first() == QLatin1String("--help"))) {
        printUsage(stdout);
        return kAccepted;
    }
    if (args.size() != 1) {
        printUsage(stderr);
        return kUsage;
    }
    const QString command = args.first();
    if (command.contains(QLatin1Char('\n'))) {
        printError(QStringLiteral("a command cannot hold a line break"));
        printUsage(stderr);
        return kUsage;
    }

    pellux::ControlClient client;
    if (!client.open()) {
        printError(QStringLiteral("no running Pellux answered (%1)").arg(client.errorString()));
        return kNoInstance;
    }
    switch (client.execute(command)) {
    case pellux::ControlClient::Reply::Accepted:
        return kAccepted;
    case pellux::ControlClient::Reply::Refused:
        printError(QStringLiteral("Pellux refused \"%1\"").arg(command));
        return kRefused;
    case pellux::ControlClient::Reply::NoAnswer:
        break;
    }
    printError(QStringLiteral("no answer from Pellux (%1)").arg(client.errorString()));
    return kNoInstance;
}
