// The instance channel: what a client sends, cut into lines at LF as the server cuts
// it, each line decoded and taken as a command.
#include "core/channel/ControlCommand.h"

#include <cstddef>
#include <cstdint>

using namespace pellux;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    qsizetype pos = 0;
    while (pos <= bytes.size()) {
        qsizetype lf = bytes.indexOf('\n', pos);
        if (lf < 0)
            lf = bytes.size();
        if (const std::optional<QString> line = DecodeCommandLine(bytes.mid(pos, lf - pos))) {
            const ControlCommand command = DecodeCommand(*line);
            (void)command;
        }
        pos = lf + 1;
    }
    return 0;
}
