// The old record store ("NoteFile 3.0" in twips, "NoteFile 3.1" in pixels).
#include "core/notefile/NoteFile.h"

#include <cstddef>
#include <cstdint>

using namespace pellux;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const BinaryReadResult read = ReadRecordStore(bytes, PixelScale{15, 15}, NoteDefaults{});
    (void)read;
    return 0;
}
