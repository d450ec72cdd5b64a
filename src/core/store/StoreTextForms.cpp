#include "core/store/StoreTextForms.h"

#include "core/LocaleText.h"
#include "core/store/StoreSyntax.h"

#include <cmath>
#include <limits>

namespace pellux {

namespace storedetail {

namespace {

const QDate ZeroDate(1899, 12, 30);

std::optional<QTime> parseTime(const QString &text, const LocaleForms &forms)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    for (const QString *format : {&forms.longTime, &forms.shortTime}) {
        const QTime time = forms.locale.toTime(t, *format);
        if (time.isValid())
            return time;
    }
    for (const char *format : {"H:mm:ss", "H:mm"}) {
        const QTime time = QTime::fromString(t, QLatin1String(format));
        if (time.isValid())
            return time;
    }
    return std::nullopt;
}

std::optional<QDate> parseDate(const QString &text, const LocaleForms &forms)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    if (const std::optional<QDate> date = ParseShortDate(t, forms))
        return *date == ZeroDate ? QDate() : *date;
    // A time with no date part is a value on the zero date: that is how the
    // zero date has always been written.
    if (parseTime(t, forms))
        return QDate();
    return std::nullopt;
}

} // namespace

TextForms::TextForms(const QLocale &l) : forms(l), midnight(l.toString(QTime(0, 0), forms.longTime)) {}

QString TextForms::timeText(const QTime &time) const
{
    if (!time.isValid() || time == QTime(0, 0))
        return midnight;
    return forms.locale.toString(time, forms.longTime);
}

QString TextForms::dateText(const QDate &date) const
{
    if (!date.isValid() || date == ZeroDate)
        return midnight;
    return forms.locale.toString(date, forms.date4);
}

std::optional<QTime> TextForms::time(const QString &text)
{
    auto it = times.constFind(text);
    if (it == times.cend())
        it = times.insert(text, parseTime(text, forms));
    return *it;
}

std::optional<QDate> TextForms::date(const QString &text)
{
    auto it = dates.constFind(text);
    if (it == dates.cend())
        it = dates.insert(text, parseDate(text, forms));
    return *it;
}

std::optional<bool> parseBoolWord(QStringView text)
{
    // The words as the writer spells them, thousands of times in a store, first.
    if (text == QLatin1String("True"))
        return true;
    if (text == QLatin1String("False"))
        return false;
    const QStringView t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v != 0.0;
}

bool isBlank(QStringView text)
{
    for (QChar c : text) {
        if (!c.isSpace())
            return false;
    }
    return true;
}

} // namespace storedetail

using namespace storedetail;

StoreFormat DetectStoreFormat(const QByteArray &head)
{
    QByteArrayView data(head);
    if (data.startsWith("\xEF\xBB\xBF"))
        data = data.sliced(3);
    if (data.isEmpty())
        return StoreFormat::Empty;
    qsizetype end = 0;
    while (end < data.size() && data.at(end) != '\r' && data.at(end) != '\n')
        ++end;
    const QByteArrayView line = data.first(end);
    if (line == "NoteFile 3.0")
        return StoreFormat::RecordStore30;
    if (line == "NoteFile 3.1")
        return StoreFormat::RecordStore31;
    if (line.indexOf(QByteArrayView("Pellux NoteData 4")) >= 0)
        return StoreFormat::NoteData4;
    return StoreFormat::Unknown;
}

QString BoolWord(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

std::optional<bool> ParseBoolWord(const QString &text)
{
    return parseBoolWord(text);
}

QString PixelNumber(int twips, int twipsPerPixel)
{
    const int factor = twipsPerPixel >= 1 ? twipsPerPixel : 15;
    if (twips % factor == 0)
        return QString::number(twips / factor);
    return QString::number(double(twips) / factor, 'g', 15);
}

std::optional<int> ParsePixelNumber(const QString &text, int twipsPerPixel)
{
    const int factor = twipsPerPixel >= 1 ? twipsPerPixel : 15;
    // Whole pixels as the writer puts them ("-300"), the common case, without the
    // general number parser.
    if (const qsizetype n = text.size(); n > 0 && n <= 10) {
        const bool negative = text.front() == QLatin1Char('-');
        qint64 pixels = 0;
        qsizetype i = negative ? 1 : 0;
        bool digits = i < n;
        for (; i < n && digits; ++i) {
            const char16_t c = text.at(i).unicode();
            digits = c >= u'0' && c <= u'9';
            pixels = pixels * 10 + (c - u'0');
        }
        if (digits) {
            const qint64 twips = (negative ? -pixels : pixels) * factor;
            if (twips < std::numeric_limits<int>::min() || twips > std::numeric_limits<int>::max())
                return std::nullopt;
            return int(twips);
        }
    }
    const std::optional<double> v = ParseDecimalText(text, QLocale());
    if (!v)
        return std::nullopt;
    // Nearest whole pixel, ties to even (the default rounding mode).
    const double twips = std::nearbyint(*v) * factor;
    if (twips < double(std::numeric_limits<int>::min()) || twips > double(std::numeric_limits<int>::max()))
        return std::nullopt;
    return int(twips);
}

QString AlarmTimeText(const QTime &time, const QLocale &locale)
{
    return TextForms(locale).timeText(time);
}

QString AlarmDateText(const QDate &date, const QLocale &locale)
{
    return TextForms(locale).dateText(date);
}

std::optional<QTime> ParseAlarmTime(const QString &text, const QLocale &locale)
{
    return parseTime(text, LocaleForms(locale));
}

std::optional<QDate> ParseAlarmDate(const QString &text, const QLocale &locale)
{
    return parseDate(text, LocaleForms(locale));
}

} // namespace pellux
