#pragma once

#include <QString>

namespace pellux {

/// The name of the control socket and, with ".lock", of the instance lock beside it.
inline constexpr char kControlEndpointName[] = "Pellux.Control";

/**
 * The per-user folder that holds the control socket and the instance lock.
 *
 * $XDG_RUNTIME_DIR when it is set and trustworthy (an absolute path to a real
 * folder owned by this user with no rights for anyone else). Otherwise
 * "<temp folder>/pellux-<uid>", created with mode 0700. An existing fallback
 * folder is used only when it is a real folder (not a link) owned by this user;
 * read or search rights for others are taken away, but a folder that others could
 * write into is refused, since anything already in it may have been planted.
 * When that name is taken by something not ours (anyone can create it first), the
 * folder "pellux-<host>" in the user's cache folder ($XDG_CACHE_HOME, else
 * ~/.cache) is used instead, checked the same way, and one line on standard error
 * says so.
 *
 * Returns the folder without a trailing separator, or an empty string with the
 * reason in \a errorString.
 */
QString ControlEndpointFolder(QString *errorString = nullptr);

/// Full path of the control socket ("Pellux.Control" in the folder above); empty on failure.
QString ControlEndpointPath(QString *errorString = nullptr);

/// Full path of the instance lock ("Pellux.Control.lock" beside the socket); empty on failure.
QString ControlLockPath(QString *errorString = nullptr);

} // namespace pellux
