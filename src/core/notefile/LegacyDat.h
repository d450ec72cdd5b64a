#pragma once

#include "core/NoteRecord.h"
#include "core/notefile/NoteFile.h"

#include <QByteArrayView>
#include <QString>

namespace pellux {

/// The oldest store, "Pellux.DAT": text notes in fixed records of this many bytes.
inline constexpr qsizetype LegacyDatRecordSize = 4608;
inline const QString LegacyDatFileName = QStringLiteral("Pellux.DAT");

/**
 * Reads a whole "Pellux.DAT". Every record is a text note of type "TextNote30",
 * geometry in twips, without identifier (the caller makes one) and without alarm.
 * Text, title, password and font name are fixed fields: their trailing blanks, and
 * trailing NUL bytes of a field never written, are removed; a record whose title
 * is then empty is left out. A record whose font name is all NUL bytes carries no
 * style and gets \a defaults' font and colours. A file whose size is no multiple of
 * the record size gives its whole records and, as Damaged, the one it ends inside.
 */
BinaryReadResult ReadLegacyDat(QByteArrayView bytes, const NoteDefaults &defaults);

} // namespace pellux
