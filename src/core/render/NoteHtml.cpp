#include "core/render/NoteHtml.h"

#include "core/Colors.h"
#include "core/TextRules.h"

namespace pellux {

namespace {

const QString CrLf = QStringLiteral("\r\n");

/// A font name inside a single-quoted attribute.
QString attributeText(const QString &text)
{
    QString escaped = XmlEscape(text);
    escaped.replace(QLatin1Char('\''), QLatin1String("&#39;"));
    return escaped;
}

struct Emphasis
{
    QString open;
    QString close;
};

/// The tags of bold, underline and italic, closed in the order they were opened.
Emphasis emphasisOf(const NoteStyle &style)
{
    Emphasis e;
    if (style.bold) {
        e.open += QLatin1String("<B>");
        e.close += QLatin1String("</B>");
    }
    if (style.underline) {
        e.open += QLatin1String("<U>");
        e.close += QLatin1String("</U>");
    }
    if (style.italic) {
        e.open += QLatin1String("<I>");
        e.close += QLatin1String("</I>");
    }
    return e;
}

} // namespace

QString CleanFileName(const QString &text)
{
    QString name = text;
    for (const QChar c : QStringLiteral("./\\:*?\"<>|"))
        name.replace(c, QLatin1Char(' '));
    qsizetype start = 0;
    qsizetype end = name.size();
    while (start < end && name.at(start) == QLatin1Char(' '))
        ++start;
    while (end > start && name.at(end - 1) == QLatin1Char(' '))
        --end;
    return name.mid(start, end - start);
}

QString TextNoteHtml(const QString &title, const QString &text, const NoteStyle &style, const QLocale &locale)
{
    const Emphasis em = emphasisOf(style);
    const QString face = attributeText(style.fontName);
    QString body = XmlEscape(text);
    body.replace(CrLf, QLatin1String("<br>") + CrLf);
    body.replace(QLatin1Char('\t'), QLatin1String("&nbsp;&nbsp;&nbsp;&nbsp;"));

    QString html;
    html.reserve(body.size() + 400);
    html += QLatin1String("<table border='2'>");
    html += QLatin1String("<tr>");
    html += QLatin1String("<td><font face='") + face + QLatin1String("' style='font-size: ")
            + PointSizeText(style.fontSize + 2.0f, locale) + QLatin1String("pt'>");
    html += em.open + XmlEscape(title + QLatin1Char(':')) + em.close;
    html += QLatin1String("</font></td></tr>") + CrLf;
    html += QLatin1String("<tr>");
    html += QLatin1String("<td bgcolor='") + ColorToHtml(style.backColor) + QLatin1String("'><font color='")
            + ColorToHtml(style.foreColor) + QLatin1String("' face='") + face
            + QLatin1String("' style='font-size: ") + PointSizeText(style.fontSize, locale) + QLatin1String("pt'>");
    html += em.open + body + em.close;
    html += QLatin1String("</font></td>") + CrLf;
    html += QLatin1String("</tr>");
    html += QLatin1String("</table>");
    return html;
}

QString HtmlFileText(const QString &title, const QString &fragment)
{
    QString safeTitle = title;
    for (qsizetype at = safeTitle.indexOf(QLatin1String("</title"), 0, Qt::CaseInsensitive); at >= 0;
         at = safeTitle.indexOf(QLatin1String("</title"), at + 4, Qt::CaseInsensitive))
        safeTitle.replace(at, 1, QLatin1String("&lt;"));
    return QLatin1String("<html>") + CrLf + QLatin1String("<head>") + CrLf + QLatin1String("<title>") + safeTitle
           + QLatin1String("</title>") + CrLf + QLatin1String("</head>") + CrLf + QLatin1String("<body>") + CrLf
           + fragment + CrLf + QLatin1String("</body>") + CrLf + QLatin1String("</html>") + CrLf + CrLf;
}

QString TextNoteTextFile(const QString &text)
{
    return text + CrLf;
}

QString CheckListToHtml(const QString &title, const QList<CheckRow> &rows, const NoteStyle &style,
                        const QLocale &locale)
{
    const Emphasis em = emphasisOf(style);
    const QString face = attributeText(style.fontName);
    const QString size = PointSizeText(style.fontSize, locale);
    const QString fore = ColorToHtml(style.foreColor);

    QString html;
    html += QLatin1String("<table border='2'>") + QLatin1String("<tr>");
    html += QLatin1String("<td><font face='") + face + QLatin1String("' style='font-size: ") + size
            + QLatin1String("pt'>") + em.open;
    html += XmlEscape(title + QLatin1Char(':'));
    html += em.close + QLatin1String("</font></td></tr><tr>");
    html += QLatin1String("<td bgcolor='") + ColorToHtml(style.backColor) + QLatin1String("'>")
            + QLatin1String("<table border='0'>") + CrLf;
    for (const CheckRow &row : rows) {
        QString text = XmlEscape(row.text);
        text.replace(CrLf, CrLf + QLatin1String("<br>"));
        html += QLatin1String("<tr>") + CrLf;
        html += QLatin1String("<td><font face='Wingdings' color='") + fore + QLatin1String("' style='font-size: ")
                + size + QLatin1String("pt'>") + (row.checked ? QLatin1String("&#254;") : QLatin1String("o"))
                + QLatin1String("</font></td>") + CrLf;
        html += QLatin1String("<td style='border-bottom-style: dashed; border-bottom-width: 2'><font face='") + face
                + QLatin1String("' color='") + fore + QLatin1String("' style='font-size: ") + size
                + QLatin1String("pt'>") + em.open;
        html += text;
        html += em.close + QLatin1String("</font></td>") + CrLf + QLatin1String("</tr>") + CrLf;
    }
    html += QLatin1String("</table>") + QLatin1String("</td>") + QLatin1String("</tr>") + QLatin1String("</table>");
    return html;
}

QString CheckListTextFile(const QList<CheckRow> &rows)
{
    QString text;
    for (const CheckRow &row : rows)
        text += row.text + CrLf;
    return text;
}

QString NoteHtml(const StoredNote &note, const QLocale &locale)
{
    return note.isCheckList() ? CheckListToHtml(note.title, note.rows, note.style, locale)
                              : TextNoteHtml(note.title, note.text, note.style, locale);
}

QString NoteHtmlFile(const StoredNote &note, const QLocale &locale)
{
    return HtmlFileText(note.title, NoteHtml(note, locale));
}

QString NoteTextFile(const StoredNote &note)
{
    return note.isCheckList() ? CheckListTextFile(note.rows) : TextNoteTextFile(note.text);
}

} // namespace pellux
