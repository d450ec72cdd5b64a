#include "panel/Artwork.h"

// The pictures live in a resource file compiled into a static library, whose
// registration the linker would drop unless something refers to it.
static void initPelluxResources()
{
    Q_INIT_RESOURCE(pellux);
}

namespace pellux {

namespace {

void ensureResources()
{
    static const bool done = [] {
        initPelluxResources();
        return true;
    }();
    Q_UNUSED(done);
}

} // namespace

QIcon programIcon()
{
    ensureResources();
    QIcon icon;
    for (int size : {16, 22, 32, 48, 64})
        icon.addFile(QStringLiteral(":/pellux/pellux%1.png").arg(size), QSize(size, size));
    return icon;
}

QPixmap bannerPicture()
{
    ensureResources();
    return QPixmap(QStringLiteral(":/pellux/picPellux.png"));
}

} // namespace pellux
