#pragma once

#include "core/NoteRecord.h"
#include "core/store/StoreReadResult.h"
#include "core/store/StoreTextForms.h"

#include <QByteArray>
#include <QLocale>

namespace pellux {

/**
 * Reads an XML note store. Every field falls back to \a defaults (or to an empty
 * alarm, to "visible", or to "the window keeps its default" for geometry) when
 * missing or malformed; a missing title becomes the dynamic title of the note's
 * content. A note of unknown type, or a root child that is no "note", is skipped
 * and reported; the other notes load. A document that is not well formed, has no
 * "notedata" root or is nested more than 64 levels deep gives ok = false. Never
 * throws.
 */
StoreReadResult ReadNoteStore(const QByteArray &document, const PixelScale &scale,
                              const NoteDefaults &defaults, const QLocale &locale = QLocale());

} // namespace pellux
