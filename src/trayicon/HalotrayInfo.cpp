#include "HalotrayInfo.h"

// The pictures live in a static library linked into both the plugin and the tests;
// nothing references the resource object file, so it has to be registered by hand.
static void registerHalotrayResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(halotray);
        return true;
    }();
    Q_UNUSED(registered);
}

namespace halotray {

QIcon ownPicture()
{
    registerHalotrayResources();
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addFile(QStringLiteral(":/halotray/bwSysTray%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace halotray
