#include "alarms/AlarmsFeature.h"

#include "alarms/frmAlarm.h"
#include "app/Commands.h"
#include "app/NoteWindow.h"
#include "app/Program.h"
#include "platform/Clock.h"
#include "platform/Prompts.h"

#include <QPointer>

namespace pellux {

namespace {

/// The alarm windows still open; those left when the program goes are closed with it.
class OpenAlarmWindows : public QObject
{
public:
    using QObject::QObject;
    ~OpenAlarmWindows() override
    {
        for (const QPointer<frmAlarm> &w : std::as_const(m_windows))
            delete w.data();
    }
    void add(frmAlarm *window)
    {
        m_windows.removeAll(nullptr);
        m_windows.append(window);
    }

private:
    QList<QPointer<frmAlarm>> m_windows;
};

} // namespace

void SetAlarm(Program &program, int n)
{
    QPointer<NoteWindow> note = program.note(n);
    if (!note)
        return;
    note->GetAlarmData();
    const std::optional<AlarmRecord> saved =
        program.prompts().alarmProperties(AlarmRequest{program.CurrentAlarm, program.clock().now()});
    // The note may have gone while the dialog was up (the control channel unloads notes).
    if (!saved || !note || program.note(n) != note)
        return;
    program.CurrentAlarm = *saved;
    note->SetAlarmData();
}

void InstallAlarms(Program &program)
{
    auto *windows = new OpenAlarmWindows(&program);
    program.hub().provide(Feature::SetAlarm, [&program](int slot) { SetAlarm(program, slot); });
    program.hub().provide(Feature::FireAlarm, [&program, windows](int slot) {
        // A window of its own for every firing; it goes away when it is closed.
        auto *window = new frmAlarm(program);
        windows->add(window);
        window->FireAlarm(slot);
    });
}

} // namespace pellux
