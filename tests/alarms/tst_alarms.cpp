// The alarm rule, its description line, and the once-a-minute sweep firing a window.
#include "core/AlarmRules.h"
#include "alarms/frmAlarm.h"
#include "app/NoteWindow.h"
#include "support/ProgramFixture.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

Q_DECLARE_METATYPE(pellux::AlarmRecord)

using namespace pellux;
using namespace pellux::test;

namespace {

// Thursday 10 December 2026.
const QDate kThursday(2026, 12, 10);

AlarmRecord repeating(QTime at, std::initializer_list<int> days)
{
    AlarmRecord a;
    a.Enabled = true;
    a.AlarmType = 1;
    a.AlarmTime = at;
    for (int d : days)
        a.DaysOfWeek.at(std::size_t(d)) = true;
    return a;
}

AlarmRecord once(QTime at, QDate on)
{
    AlarmRecord a;
    a.Enabled = true;
    a.AlarmType = 0;
    a.AlarmTime = at;
    a.AlarmDate = on;
    return a;
}

QList<frmAlarm *> alarmWindows()
{
    QList<frmAlarm *> out;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *a = qobject_cast<frmAlarm *>(w); a && a->isVisible())
            out << a;
    }
    return out;
}

QByteArray storeWithAlarm(const QByteArray &alarm)
{
    return "<!--Pellux NoteData 4-->\r\n<notedata version=\"4\">"
           "<note type=\"TextNote\"><title>Dentist</title><nid>TESTPC:01012026:090000:00</nid>"
           "<top>10</top><left>10</left><width>200</width><height>150</height><visible>True</visible>"
           "<rollup>False</rollup><ontop>False</ontop><pelluxalarm>" + alarm + "</pelluxalarm>"
           "<data>call back</data><dynamictitle>False</dynamictitle>"
           "<font><name>Sans Serif</name><size>10</size><bold>False</bold><italic>False</italic>"
           "<underline>False</underline><strikethru>False</strikethru></font>"
           "<color><fore>#000000</fore><back>#FFFF00</back></color></note></notedata>\r\n";
}

} // namespace

class TestAlarms : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void cleanup()
    {
        for (frmAlarm *w : alarmWindows())
            w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void due_data()
    {
        QTest::addColumn<AlarmRecord>("alarm");
        QTest::addColumn<QTime>("at");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<bool>("fires");
        const AlarmRecord monFri = repeating(QTime(9, 0), {1, 5});
        QTest::newRow("repeat on Monday 9:00") << monFri << QTime(9, 0, 0) << QDate(2026, 12, 7) << true;
        QTest::newRow("repeat on Friday 9:00:45") << monFri << QTime(9, 0, 45) << QDate(2026, 12, 11) << true;
        QTest::newRow("repeat on Thursday") << monFri << QTime(9, 0) << kThursday << false;
        QTest::newRow("repeat a minute late") << monFri << QTime(9, 1) << QDate(2026, 12, 7) << false;
        QTest::newRow("repeat on Sunday") << repeating(QTime(7, 30), {0}) << QTime(7, 30) << QDate(2026, 12, 13)
                                          << true;
        QTest::newRow("repeat with no days") << repeating(QTime(9, 0), {}) << QTime(9, 0) << kThursday << false;
        QTest::newRow("once today") << once(QTime(14, 5), kThursday) << QTime(14, 5, 59) << kThursday << true;
        QTest::newRow("once other day") << once(QTime(14, 5), kThursday.addDays(1)) << QTime(14, 5) << kThursday
                                        << false;
        QTest::newRow("once passed date stays quiet") << once(QTime(14, 5), kThursday.addDays(-1)) << QTime(14, 5)
                                                      << kThursday << false;
        QTest::newRow("once with the zero date") << once(QTime(0, 0), QDate()) << QTime(0, 0) << kThursday << false;
        AlarmRecord off = once(QTime(14, 5), kThursday);
        off.Enabled = false;
        QTest::newRow("disabled") << off << QTime(14, 5) << kThursday << false;
    }

    void due()
    {
        QFETCH(AlarmRecord, alarm);
        QFETCH(QTime, at);
        QFETCH(QDate, today);
        QFETCH(bool, fires);
        QCOMPARE(AlarmDue(alarm, at, today), fires);
    }

    void description_data()
    {
        QTest::addColumn<AlarmRecord>("alarm");
        QTest::addColumn<QString>("line");
        QTest::newRow("once without sound") << once(QTime(9, 5), QDate(2026, 12, 6))
                                            << QStringLiteral("Once @ 9:05 AM on 12/6/2026 (No Sound)");
        AlarmRecord r = repeating(QTime(17, 30), {1, 5});
        r.Sound = QStringLiteral("/usr/share/sounds/bell.wav");
        QTest::newRow("repeat with sound") << r << QStringLiteral("Repeat @ 5:30 PM on M F");
        QTest::newRow("repeat every day, no sound")
            << repeating(QTime(0, 15), {0, 1, 2, 3, 4, 5, 6})
            << QStringLiteral("Repeat @ 12:15 AM on Su M Tu W Th F Sa (No Sound)");
    }

    void description()
    {
        QFETCH(AlarmRecord, alarm);
        QFETCH(QString, line);
        QCOMPARE(AlarmDescription(alarm), line);
    }

    void sweepFiresOnceAlarmAndDisablesIt()
    {
        ProgramFixture f;
        f.clock.set(QDateTime(kThursday, QTime(10, 30, 0)));
        f.writeStore(storeWithAlarm("<enabled>True</enabled><sound/><type>0</type><time>10:30:00 AM</time>"
                                    "<date>12/10/2026</date><dow>False,False,False,False,False,False,False</dow>"));
        f.start();
        NoteWindow *note = f.program->note(1);
        QVERIFY(note->mnuAlarmSet->isChecked());
        f.program->CheckAlarms();
        const QList<frmAlarm *> windows = alarmWindows();
        QCOMPARE(windows.size(), 1);
        frmAlarm *w = windows.first();
        QCOMPARE(w->windowTitle(), QStringLiteral("Pellux Alarm: Dentist"));
        QCOMPARE(w->lblAlarmID->text(), QStringLiteral("Dentist"));
        QCOMPARE(w->lblAlarmInfo->text(), QStringLiteral("Once @ 10:30 AM on 12/10/2026 (No Sound)"));
        QVERIFY(w->lblOnceNotice->isVisibleTo(w));
        QVERIFY(!w->cmdDisable->isVisibleTo(w));
        QVERIFY(!note->mnuAlarmSet->isChecked());
        // The disabled alarm is what the store keeps.
        QVERIFY(f.program->SaveNotes());
        QVERIFY(f.readStore().contains("<pelluxalarm><enabled>False</enabled>"));
        // A second sweep in the same minute finds nothing to fire.
        w->close();
        f.program->CheckAlarms();
        QVERIFY(alarmWindows().isEmpty());
    }

    void repeatingAlarmOffersDisableAndGoto()
    {
        ProgramFixture f;
        f.clock.set(QDateTime(kThursday, QTime(8, 15, 0)));
        f.writeStore(storeWithAlarm("<enabled>True</enabled><sound/><type>1</type><time>8:15:00 AM</time>"
                                    "<date>12:00:00 AM</date><dow>False,False,False,False,True,False,False</dow>"));
        f.start();
        NoteWindow *note = f.program->note(1);
        note->hide();
        f.program->CheckAlarms();
        QCOMPARE(alarmWindows().size(), 1);
        frmAlarm *w = alarmWindows().first();
        QVERIFY(w->cmdDisable->isVisibleTo(w));
        QVERIFY(!w->lblOnceNotice->isVisibleTo(w));
        QVERIFY(note->mnuAlarmSet->isChecked());
        w->cmdGoTo->click();
        QVERIFY(note->isVisible());
        QVERIFY(w->isVisible());
        w->cmdDisable->click();
        QVERIFY(!note->mnuAlarmSet->isChecked());
        QVERIFY(alarmWindows().isEmpty());
    }

    void twoDueNotesFireInSlotOrder()
    {
        ProgramFixture f;
        f.clock.set(QDateTime(kThursday, QTime(12, 0, 0)));
        QByteArray store = storeWithAlarm("<enabled>True</enabled><sound/><type>0</type><time>12:00:00 PM</time>"
                                          "<date>12/10/2026</date><dow>False,False,False,False,False,False,False</dow>");
        const int from = store.indexOf("<note ");
        const int to = store.indexOf("</note>") + 7;
        QByteArray second = store.mid(from, to - from).replace("Dentist", "Second").replace(":00</nid>", ":01</nid>");
        store.insert(to, second);
        f.writeStore(store);
        f.start();
        f.program->CheckAlarms();
        QList<int> fired;
        for (frmAlarm *w : alarmWindows())
            fired << w->noteSlot();
        std::sort(fired.begin(), fired.end());
        QCOMPARE(fired, QList<int>({1, 2}));
    }
};


QTEST_MAIN(TestAlarms)
#include "tst_alarms.moc"
