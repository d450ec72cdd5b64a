// The oldest store, Pellux.DAT (fixed records).
#include "core/notefile/LegacyDat.h"

#include <cstddef>
#include <cstdint>

using namespace pellux;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const BinaryReadResult read =
        ReadLegacyDat(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)), NoteDefaults{});
    (void)read;
    return 0;
}
