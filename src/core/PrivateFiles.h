#pragma once

#include <QString>
#include <QStringList>

namespace pellux {

/**
 * Makes \a folder (its parent must exist), or accepts it as found when it is a real
 * folder of this user, and closes it to others (mode 0700). A link, a file, another
 * user's folder, or a folder others could write into (anything in it may have been
 * planted) is refused: false with the reason in \a why.
 */
bool MakePrivateFolder(const QString &folder, QString *why);

/// Takes every right of others away from the file or folder at \a path (0600 for a
/// file, 0700 for a folder), whatever the umask made it. False when it could not.
bool RestrictToOwner(const QString &path);

} // namespace pellux
