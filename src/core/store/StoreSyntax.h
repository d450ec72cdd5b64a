#pragma once

// Private to core/store: the element names of the store and the text-form helpers
// its writer, its two readers and the public text forms share.

#include "core/LocaleText.h"

#include <QDate>
#include <QHash>
#include <QLocale>
#include <QString>
#include <QStringView>
#include <QTime>
#include <optional>

namespace pellux::storedetail {

inline const QString TagNote = QStringLiteral("note");
inline const QString TagTitle = QStringLiteral("title");
inline const QString TagNid = QStringLiteral("nid");
inline const QString TagTop = QStringLiteral("top");
inline const QString TagLeft = QStringLiteral("left");
inline const QString TagWidth = QStringLiteral("width");
inline const QString TagHeight = QStringLiteral("height");
inline const QString TagVisible = QStringLiteral("visible");
inline const QString TagRollup = QStringLiteral("rollup");
inline const QString TagOntop = QStringLiteral("ontop");
inline const QString TagAlarm = QStringLiteral("pelluxalarm");
inline const QString TagData = QStringLiteral("data");
inline const QString TagDynamicTitle = QStringLiteral("dynamictitle");
inline const QString TagFont = QStringLiteral("font");
inline const QString TagColor = QStringLiteral("color");
inline const QString TagPasswordHash = QStringLiteral("passwordhash");
inline const QString TagItem = QStringLiteral("item");
inline const QString AttrType = QStringLiteral("type");
inline const QString AttrChecked = QStringLiteral("checked");

/**
 * The text forms of one locale for a whole store. Reading a date or time through
 * the locale is slow, and a store repeats the same few texts (every unset alarm
 * has the same midnight texts), so each distinct text is read once.
 */
struct TextForms
{
    explicit TextForms(const QLocale &l);

    const QLocale &locale() const { return forms.locale; }

    QString timeText(const QTime &time) const;
    QString dateText(const QDate &date) const;
    std::optional<QTime> time(const QString &text);
    std::optional<QDate> date(const QString &text);

    LocaleForms forms;
    QString midnight;
    QHash<QString, std::optional<QTime>> times;
    QHash<QString, std::optional<QDate>> dates;
};

/// ParseBoolWord on a piece of a longer text (the weekday list is read in place).
std::optional<bool> parseBoolWord(QStringView text);

/// True when \a text is empty or made only of white space (any Unicode space).
bool isBlank(QStringView text);

} // namespace pellux::storedetail
