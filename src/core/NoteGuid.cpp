#include "core/NoteGuid.h"

namespace pellux {

QString NewNoteGUID(const QString &computerName, const QDateTime &now)
{
    // The name comes from a fixed 255-character buffer read up to its first NUL.
    QString name = computerName;
    const qsizetype nul = name.indexOf(QChar(0));
    if (nul >= 0)
        name.truncate(nul);
    name.truncate(255);

    // Hundredths of the seconds-since-midnight clock; only its last two digits are kept,
    // which are the hundredths within the current second.
    const int hundredths = (now.time().msecsSinceStartOfDay() / 10) % 100;

    return name + QLatin1Char(':') + now.date().toString(QStringLiteral("ddMMyyyy")) + QLatin1Char(':')
        + now.time().toString(QStringLiteral("HHmmss")) + QLatin1Char(':')
        + QStringLiteral("%1").arg(hundredths, 2, 10, QLatin1Char('0'));
}

} // namespace pellux
