#pragma once

#include "alarms/frmAlarm.h"
#include "core/NoteRecord.h"
#include "core/store/StoreWriter.h"
#include "support/ProgramFixture.h"

#include <QApplication>
#include <QCoreApplication>

#include <algorithm>

Q_DECLARE_METATYPE(pellux::AlarmRecord)

namespace pellux::test {

inline AlarmRecord repeating(QTime at, std::initializer_list<int> days, const QString &sound = QString())
{
    AlarmRecord a;
    a.Enabled = true;
    a.AlarmType = 1;
    a.AlarmTime = at;
    for (int d : days)
        a.DaysOfWeek.at(std::size_t(d)) = true;
    a.Sound = sound;
    return a;
}

inline AlarmRecord once(QTime at, QDate on, const QString &sound = QString())
{
    AlarmRecord a;
    a.Enabled = true;
    a.AlarmType = 0;
    a.AlarmTime = at;
    a.AlarmDate = on;
    a.Sound = sound;
    return a;
}

inline AlarmRecord disabled(AlarmRecord a)
{
    a.Enabled = false;
    return a;
}

/// One note of a prepared store and its alarm.
struct AlarmNote
{
    AlarmNote(const QString &title, const AlarmRecord &alarm, bool checkList = false, const QString &nid = QString())
        : title(title)
        , alarm(alarm)
        , checkList(checkList)
        , nid(nid)
    {
    }
    QString title;
    AlarmRecord alarm;
    bool checkList = false;
    QString nid;                ///< empty: one made from the note's position
};

/// A store of \a notes in this order, with distinct identifiers.
inline QByteArray storeWithAlarms(const QList<AlarmNote> &notes)
{
    QList<StoredNote> records;
    int i = 0;
    for (const AlarmNote &n : notes) {
        StoredNote s;
        s.type = n.checkList ? QStringLiteral("CheckList") : QStringLiteral("TextNote");
        s.title = n.title;
        ++i;
        s.nid = n.nid.isEmpty() ? QStringLiteral("TESTPC:1-1-2026:10-0-%1:00").arg(i) : n.nid;
        s.left = 1500 * i;
        s.top = 1500;
        s.width = 3000;
        s.height = 2350;
        s.alarm = n.alarm;
        if (n.checkList)
            s.rows = {CheckRow{false, QStringLiteral("first row")}};
        else
            s.text = n.title + QStringLiteral(" text");
        records.append(s);
    }
    return WriteNoteStore(records, PixelScale{15, 15});
}

/// The alarm windows that are up, in slot order.
inline QList<frmAlarm *> alarmWindows()
{
    QList<frmAlarm *> out;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *a = qobject_cast<frmAlarm *>(w); a && a->isVisible())
            out << a;
    }
    std::sort(out.begin(), out.end(), [](frmAlarm *a, frmAlarm *b) { return a->noteSlot() < b->noteSlot(); });
    return out;
}

inline QList<int> alarmSlots()
{
    QList<int> out;
    for (frmAlarm *w : alarmWindows())
        out << w->noteSlot();
    return out;
}

/// Every alarm window, shown or not (a closed one goes with the next deferred delete).
inline int alarmWindowObjects()
{
    int n = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        n += qobject_cast<frmAlarm *>(w) ? 1 : 0;
    return n;
}

inline void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace pellux::test
