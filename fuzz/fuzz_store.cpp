// The XML note store: the streaming reader the program loads with, the DOM reader the
// single elements go through, and the format check in front of both.
#include "core/store/StoreDomReader.h"
#include "core/store/StoreStreamReader.h"
#include "core/store/StoreTextForms.h"

#include <QLocale>

#include <cstddef>
#include <cstdint>

using namespace pellux;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    (void)DetectStoreFormat(bytes.left(4096));
    const PixelScale scale{15, 15};
    const StoreReadResult streamed = ReadNoteStore(bytes, scale, NoteDefaults{});
    const StoreReadResult dom = ReadNoteStoreThroughDom(bytes, scale, NoteDefaults{});
    (void)streamed;
    (void)dom;
    return 0;
}
