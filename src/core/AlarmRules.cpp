#include "core/AlarmRules.h"

#include "core/store/StoreTextForms.h"

namespace pellux {

namespace {

QString hourMinute(const QTime &t, const QLocale &locale)
{
    return locale.toString(t, QStringLiteral("h:mm AP"));
}

} // namespace

int WeekdayIndex(const QDate &date)
{
    return date.dayOfWeek() % 7;
}

bool AlarmDue(const AlarmRecord &alarm, const QTime &t, const QDate &today)
{
    if (!alarm.Enabled || !alarm.AlarmTime.isValid() || !t.isValid())
        return false;
    if (alarm.AlarmTime.hour() != t.hour() || alarm.AlarmTime.minute() != t.minute())
        return false;
    if (alarm.AlarmType != 0)
        return alarm.DaysOfWeek.at(std::size_t(WeekdayIndex(today)));
    // The zero date (a null QDate) is never today.
    return alarm.AlarmDate.isValid() && alarm.AlarmDate == today;
}

QString AlarmDescription(const AlarmRecord &alarm, const QLocale &locale)
{
    static const char *const days[7] = {"Su ", "M ", "Tu ", "W ", "Th ", "F ", "Sa "};
    QString line = alarm.AlarmType != 0 ? QStringLiteral("Repeat @ ") : QStringLiteral("Once @ ");
    line += hourMinute(alarm.AlarmTime, locale) + QStringLiteral(" on ");
    if (alarm.AlarmType != 0) {
        for (int i = 0; i < 7; ++i) {
            if (alarm.DaysOfWeek.at(std::size_t(i)))
                line += QLatin1String(days[i]);
        }
    } else {
        line += AlarmDateText(alarm.AlarmDate, locale) + QLatin1Char(' ');
    }
    if (alarm.Sound.isEmpty())
        line += QStringLiteral("(No Sound)");
    while (line.endsWith(QLatin1Char(' ')))
        line.chop(1);
    return line;
}

} // namespace pellux
