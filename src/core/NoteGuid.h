#pragma once

#include <QDateTime>
#include <QString>

namespace pellux {

/**
 * A note identifier: computer name, ":", ddMMyyyy, ":", HHmmss, ":", the last two
 * digits of the hundredths of a second since midnight.
 */
QString NewNoteGUID(const QString &computerName, const QDateTime &now);

} // namespace pellux
