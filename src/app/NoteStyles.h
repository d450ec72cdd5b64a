#pragma once

#include "core/NoteRecord.h"
#include "platform/Prompts.h"

#include <QColor>
#include <QFont>

namespace pellux {

class Program;

/// Colour to paint with: a system colour is resolved through the application palette.
QColor toQColor(ColorValue color);
/// An RGB colour value from a chosen colour.
ColorValue fromQColor(const QColor &color);

/// The font a note style paints with (the application's font family when none is named).
QFont toQFont(const NoteStyle &style);

/**
 * Takes a font dialog's choice into \a style: its font and its text colour (an unchanged
 * colour keeps its form, so a system colour stays one). \a withStrikeout false keeps the
 * style's own strike-through.
 */
void applyFontChoice(NoteStyle &style, const NoteStyle &choice, bool withStrikeout);

/// The font dialog, started from \a style; true (and \a style changed) when a font was chosen.
bool PickStyleFont(Program &program, NoteStyle &style, bool withStrikeout);
/// The colour dialog, started from \a color; true (and \a color changed) when one was chosen.
bool PickStyleColor(Program &program, ColorValue &color);

/// The font and colour pickers of the new-note defaults (the panel's sample): the
/// choice is kept and saved with the settings; a cancelled dialog changes nothing.
void PickSampleFont(Program &program);
void PickSampleColor(Program &program, bool fore);

} // namespace pellux
