#include "printing/PrintDocuments.h"

#include "core/LocaleText.h"

#include <QFont>
#include <QFontDatabase>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

namespace pellux {

namespace {

/// Line breaks of a note (CR LF, or a lone CR) as the document's paragraph breaks.
QString paragraphs(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

qreal pointSize(const NoteStyle &style)
{
    return style.fontSize > 0 ? qreal(style.fontSize) : 8.25;
}

/// The note's font as it goes on paper: name, size, bold, italic, underline.
QTextCharFormat noteFormat(const NoteStyle &style)
{
    QTextCharFormat f;
    if (!style.fontName.isEmpty())
        f.setFontFamilies(QStringList{style.fontName});
    f.setFontPointSize(pointSize(style));
    f.setFontWeight(style.bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(style.italic);
    f.setFontUnderline(style.underline);
    f.setFontStrikeOut(false);
    return f;
}

QFont noteFont(const NoteStyle &style)
{
    QFont font;
    if (!style.fontName.isEmpty())
        font.setFamilies(QStringList{style.fontName});
    font.setPointSizeF(pointSize(style));
    font.setBold(style.bold);
    font.setItalic(style.italic);
    font.setUnderline(style.underline);
    return font;
}

/// The heading's font: the note's, two points larger, in bold.
QTextCharFormat headingFormat(const NoteStyle &style)
{
    QTextCharFormat f = noteFormat(style);
    f.setFontPointSize(pointSize(style) + 2);
    f.setFontWeight(QFont::Bold);
    return f;
}

std::unique_ptr<QTextDocument> newDocument(const QString &title, const NoteStyle &style)
{
    auto doc = std::make_unique<QTextDocument>();
    doc->setDefaultFont(noteFont(style));
    doc->setMetaInformation(QTextDocument::DocumentTitle, title);
    return doc;
}

void insertHeading(QTextDocument &doc, const QString &title, const NoteStyle &style)
{
    QTextCursor at(&doc);
    at.movePosition(QTextCursor::Start);
    at.insertText(paragraphs(title + QStringLiteral(":\r\n\r\n")), headingFormat(style));
}

QString stampText(const QString &lead, const QDateTime &when, QLocale::FormatType timeForm, const QLocale &locale)
{
    return lead + locale.toString(when.date(), QLocale::ShortFormat) + QStringLiteral(" at ")
        + locale.toString(when.time(), TimeFormatWithoutZone(locale, timeForm)) + QLatin1Char('.');
}

} // namespace

CheckMarks CheckMarksOfThisSystem()
{
    return QFontDatabase::hasFamily(QStringLiteral("Wingdings")) ? CheckMarks::Wingdings : CheckMarks::BallotBoxes;
}

std::unique_ptr<QTextDocument> TextNotePrintDocument(const QString &title, const QString &text,
                                                     const NoteStyle &style, bool dynamicTitle,
                                                     const std::optional<QDateTime> &printedOn, const QLocale &locale)
{
    auto doc = newDocument(title, style);
    QTextCursor cursor(doc.get());
    cursor.insertText(paragraphs(text), noteFormat(style));
    // With a dynamic title the title is the text's first line already.
    if (!dynamicTitle)
        insertHeading(*doc, title, style);
    if (printedOn) {
        cursor.movePosition(QTextCursor::End);
        // The font name is the note's; size and style stay those at the end of the text.
        QTextCharFormat f = cursor.charFormat();
        if (!style.fontName.isEmpty())
            f.setFontFamilies(QStringList{style.fontName});
        cursor.insertText(QStringLiteral("\n\n") + stampText(QStringLiteral("Printed on: "), *printedOn,
                                                             QLocale::LongFormat, locale),
                          f);
    }
    return doc;
}

std::unique_ptr<QTextDocument> CheckListPrintDocument(const QString &title, const QList<CheckRow> &rows,
                                                      const NoteStyle &style,
                                                      const std::optional<QDateTime> &printedOn, CheckMarks marks,
                                                      const QLocale &locale)
{
    auto doc = newDocument(title, style);
    QTextCursor cursor(doc.get());
    const QTextCharFormat plain = noteFormat(style);
    QTextCharFormat struck = plain;
    struck.setFontStrikeOut(true);
    QTextCharFormat markFormat = plain;
    if (marks == CheckMarks::Wingdings)
        markFormat.setFontFamilies(QStringList{QStringLiteral("Wingdings")});

    for (const CheckRow &row : rows) {
        QString mark;
        if (marks == CheckMarks::Wingdings)
            mark = row.checked ? QString(QChar(254)) : QStringLiteral("o");
        else
            mark = row.checked ? QString(QChar(0x2611)) : QString(QChar(0x2610));
        cursor.insertText(mark, markFormat);
        cursor.insertText(QLatin1Char('\t') + paragraphs(row.text) + QLatin1Char('\n'), row.checked ? struck : plain);
    }
    if (printedOn)
        cursor.insertText(QLatin1Char('\n') + stampText(QStringLiteral("Printed on "), *printedOn,
                                                        QLocale::ShortFormat, locale),
                          plain);
    insertHeading(*doc, title, style);
    return doc;
}

} // namespace pellux
