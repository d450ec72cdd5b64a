#pragma once

#include <QIcon>
#include <QPixmap>

namespace pellux {

/// The program's icon: the panel's window icon and the tray icon.
QIcon programIcon();
/// The tray menu's banner picture (112 x 52).
QPixmap bannerPicture();

} // namespace pellux
