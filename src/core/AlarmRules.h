#pragma once

#include "core/NoteRecord.h"

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

namespace pellux {

/**
 * Whether an alarm fires at the sweep time \a t on \a today: it must be enabled and
 * set to the same hour and minute (seconds do not count); a repeating alarm then
 * fires on its ticked weekdays, a once-alarm on its date.
 */
bool AlarmDue(const AlarmRecord &alarm, const QTime &t, const QDate &today);

/// Index of \a date's weekday in DaysOfWeek: Sunday 0 ... Saturday 6.
int WeekdayIndex(const QDate &date);

/**
 * The alarm window's description line: "Once @ 9:05 AM on 12/6/2026 (No Sound)" or
 * "Repeat @ 5:30 PM on M F", trailing blanks removed.
 */
QString AlarmDescription(const AlarmRecord &alarm, const QLocale &locale = QLocale());

} // namespace pellux
