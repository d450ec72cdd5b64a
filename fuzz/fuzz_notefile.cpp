// A single-note file, as a drop, "Load Note From File..." or a second start hands it in.
#include "core/notefile/NoteFile.h"

#include <cstddef>
#include <cstdint>

using namespace pellux;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const BinaryReadResult read =
        ReadNoteFile(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)), NoteDefaults{});
    (void)read;
    return 0;
}
