#include "app/NoteStyles.h"

#include "app/Program.h"

#include <QApplication>
#include <QPalette>

namespace pellux {

QColor toQColor(ColorValue color)
{
    if (color & 0x80000000) {
        // A system colour: the low byte is the system's colour index.
        const QPalette pal = QApplication::palette();
        switch (color & 0xFF) {
        case 5: return pal.color(QPalette::Base);            // window background
        case 8: return pal.color(QPalette::Text);            // window text
        case 15: return pal.color(QPalette::Button);         // button face
        case 18: return pal.color(QPalette::ButtonText);     // button text
        case 13: return pal.color(QPalette::Highlight);
        case 14: return pal.color(QPalette::HighlightedText);
        default: return pal.color(QPalette::WindowText);
        }
    }
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

ColorValue fromQColor(const QColor &color)
{
    return ColorValue(color.red() | (color.green() << 8) | (color.blue() << 16));
}

QFont toQFont(const NoteStyle &style)
{
    QFont f(style.fontName.isEmpty() ? QApplication::font().family() : style.fontName);
    f.setPointSizeF(style.fontSize > 0 ? double(style.fontSize) : 8.25);
    f.setBold(style.bold);
    f.setItalic(style.italic);
    f.setUnderline(style.underline);
    f.setStrikeOut(style.strikethru);
    return f;
}

void applyFontChoice(NoteStyle &style, const NoteStyle &choice, bool withStrikeout)
{
    const bool strikethru = style.strikethru;
    style.takeFont(choice);
    if (!withStrikeout)
        style.strikethru = strikethru;
    style.foreColor = choice.foreColor;
}

bool PickStyleFont(Program &program, NoteStyle &style, bool withStrikeout)
{
    const std::optional<NoteStyle> chosen = program.prompts().font(style);
    if (!chosen)
        return false;
    applyFontChoice(style, *chosen, withStrikeout);
    return true;
}

bool PickStyleColor(Program &program, ColorValue &color)
{
    const std::optional<QColor> chosen = program.prompts().color(toQColor(color));
    // A cancelled dialog leaves the colour as it was (a system colour stays a system colour).
    if (!chosen || !chosen->isValid())
        return false;
    color = fromQColor(*chosen);
    return true;
}

void PickSampleFont(Program &program)
{
    NoteStyle s = program.noteDefaults().style;
    if (PickStyleFont(program, s, true))
        program.setSampleStyle(s);
    program.SaveSettings();
}

void PickSampleColor(Program &program, bool fore)
{
    NoteStyle s = program.noteDefaults().style;
    if (PickStyleColor(program, fore ? s.foreColor : s.backColor))
        program.setSampleStyle(s);
    program.SaveSettings();
}

} // namespace pellux
