#include "alarms/frmAlarm.h"

#include "app/NoteWindow.h"
#include "app/Program.h"
#include "core/AlarmRules.h"
#include "platform/DesktopNotifier.h"
#include "platform/ModalScope.h"
#include "platform/ScreenMetrics.h"
#include "platform/SoundPlayer.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

namespace pellux {

namespace {

/// The alarm picture: a red alarm clock with two bells, drawn rather than shipped.
QPixmap alarmClockPicture(int size, qreal dpr)
{
    QPixmap pm(QSize(size, size) * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const QPointF c(s / 2, s * 0.56);
    const qreal r = s * 0.36;
    const QColor red(0xC6, 0x28, 0x28);
    const QColor dark(0x3A, 0x1A, 0x1A);
    // Bells and their hammer.
    p.setPen(Qt::NoPen);
    p.setBrush(red.darker(115));
    for (const qreal side : {-1.0, 1.0}) {
        p.save();
        p.translate(c.x() + side * r * 0.72, c.y() - r * 0.78);
        p.rotate(side * 35);
        p.drawChord(QRectF(-s * 0.15, -s * 0.12, s * 0.30, s * 0.28), 0, 180 * 16);
        p.restore();
    }
    p.setPen(QPen(dark, s * 0.04, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(c.x(), c.y() - r), QPointF(c.x(), c.y() - r - s * 0.08));
    // Feet.
    p.drawLine(QPointF(c.x() - r * 0.6, c.y() + r * 0.8), QPointF(c.x() - r * 0.85, c.y() + r * 1.12));
    p.drawLine(QPointF(c.x() + r * 0.6, c.y() + r * 0.8), QPointF(c.x() + r * 0.85, c.y() + r * 1.12));
    // Case and face.
    p.setPen(Qt::NoPen);
    p.setBrush(red);
    p.drawEllipse(c, r, r);
    p.setBrush(QColor(0xFF, 0xFB, 0xEE));
    p.drawEllipse(c, r * 0.8, r * 0.8);
    // Hour marks and hands (ten past ten).
    p.setPen(QPen(dark, s * 0.02, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 12; ++i) {
        p.save();
        p.translate(c);
        p.rotate(i * 30);
        p.drawLine(QPointF(0, -r * 0.68), QPointF(0, -r * 0.58));
        p.restore();
    }
    p.setPen(QPen(dark, s * 0.045, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, c + QPointF(-r * 0.38, -r * 0.22));
    p.setPen(QPen(dark, s * 0.03, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, c + QPointF(r * 0.5, -r * 0.3));
    p.setBrush(dark);
    p.setPen(Qt::NoPen);
    p.drawEllipse(c, s * 0.03, s * 0.03);
    return pm;
}

} // namespace

frmAlarm::frmAlarm(Program &program)
    : QDialog(nullptr)
    , m_program(program)
{
    setObjectName(QStringLiteral("frmAlarm"));
    setWindowTitle(QStringLiteral("Pellux Alarm"));

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(alarmClockPicture(48, devicePixelRatioF()));
    lblAlarmID = new QLabel(this);
    lblAlarmID->setObjectName(QStringLiteral("lblAlarmID"));
    QFont f(QStringLiteral("Arial"));
    f.setBold(true);
    f.setPointSize(12);
    lblAlarmID->setFont(f);
    lblAlarmID->setTextFormat(Qt::PlainText);
    lblAlarmInfo = new QLabel(this);
    lblAlarmInfo->setObjectName(QStringLiteral("lblAlarmInfo"));
    lblAlarmInfo->setTextFormat(Qt::PlainText);
    lblOnceNotice = new QLabel(QStringLiteral("Once Alarm Automaticly Disabled."), this);
    lblOnceNotice->setObjectName(QStringLiteral("lblOnceNotice"));
    lblOnceNotice->setVisible(false);
    cmdGoTo = new QPushButton(QStringLiteral("Goto Note"), this);
    cmdGoTo->setObjectName(QStringLiteral("cmdGoTo"));
    cmdGoTo->setAutoDefault(false);
    cmdDisable = new QPushButton(QStringLiteral("&Disable Alarm"), this);
    cmdDisable->setObjectName(QStringLiteral("cmdDisable"));
    cmdDisable->setAutoDefault(false);
    cmdDisable->setVisible(false);
    cmdOk = new QPushButton(QStringLiteral("Ok"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setDefault(true);

    auto *text = new QVBoxLayout;
    text->addWidget(lblAlarmID);
    text->addWidget(lblAlarmInfo);
    text->addWidget(lblOnceNotice);
    auto *top = new QHBoxLayout;
    top->addWidget(Image1, 0, Qt::AlignTop);
    top->addLayout(text, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdGoTo);
    buttons->addWidget(cmdDisable);
    buttons->addStretch();
    buttons->addWidget(cmdOk);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);

    connect(cmdGoTo, &QPushButton::clicked, this, &frmAlarm::cmdGoTo_Click);
    connect(cmdDisable, &QPushButton::clicked, this, &frmAlarm::cmdDisable_Click);
    connect(cmdOk, &QPushButton::clicked, this, &QDialog::close);
}

frmAlarm::~frmAlarm() = default;

NoteWindow *frmAlarm::boundNote() const
{
    NoteWindow *note = m_program.note(m_slot);
    if (note && note == m_note)
        return note;
    // The window is gone: deleted (nothing to go to), or rebuilt by a reload, perhaps
    // in another slot, while a slot of the same number may hold another note now.
    if (m_guid.isEmpty())
        return nullptr;
    return m_program.note(m_program.FindNoteByGUID(m_guid));
}

void frmAlarm::FireAlarm(int n)
{
    ModalState &modal = m_program.modal();
    if (modal.active()) {
        // Waiting here, in an event loop of our own, would hold the dialog's own loop
        // open until the dialog had closed, which it cannot do while we wait.
        connect(
            &modal, &ModalState::ended, this, [this, n] { FireAlarm(n); },
            Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
        return;
    }
    NoteWindow *note = m_program.note(n);
    if (!note) {
        deleteLater();
        return;
    }
    m_firing = true;
    m_slot = n;
    m_note = note;
    m_guid = note->NoteGUID();
    note->GetAlarmData();
    m_alarm = m_program.CurrentAlarm;
    setWindowTitle(QStringLiteral("Pellux Alarm: ") + note->Caption());
    if (m_alarm.AlarmType != 0) {
        cmdDisable->setVisible(true);
    } else {
        // A once-alarm fires a single time, and the store keeps it so from now on.
        m_alarm.Enabled = false;
        lblOnceNotice->setVisible(true);
        m_program.CurrentAlarm = m_alarm;
        note->SetAlarmData();
    }
    lblAlarmInfo->setText(AlarmDescription(m_alarm));
    lblAlarmID->setText(note->Caption());

    adjustSize();
    const ScreenMetrics &screen = m_program.screen();
    const int screenW = screen.screenWidthTwips() / screen.twipsPerPixelX();
    const int screenH = screen.screenHeightTwips() / screen.twipsPerPixelY();
    move((screenW - width()) / 2, (screenH - height()) / 2);
    bringToFront();
    // Desktops that keep a new window from taking the focus may leave this one behind
    // the window in use; the notification is seen there all the same.
    m_program.notifier().notify(windowTitle(), lblAlarmInfo->text());

    if (!m_alarm.Sound.isEmpty() && !m_closed) {
        m_playing = true;
        playToEnd(m_program.sound(), m_alarm.Sound);
        m_playing = false;
    }
    m_firing = false;
    if (m_closed)
        deleteLater();
}

void frmAlarm::bringToFront()
{
    show();
    QCoreApplication::processEvents();
    if (m_closed)
        return;
    // Into the top-most layer and out again: the window comes to the front without
    // staying above the windows the user goes on to work in.
    if (QWindow *native = windowHandle()) {
        const Qt::WindowFlags flags = windowFlags();
        native->setFlags(flags | Qt::WindowStaysOnTopHint);
        native->setFlags(flags);
    }
    raise();
    activateWindow();
}

void frmAlarm::done(int result)
{
    QDialog::done(result);
    if (m_closed)
        return;
    m_closed = true;
    // The sound belongs to the window: closing it silences the alarm (and ends the wait).
    if (m_playing)
        m_program.sound().close();
    // While FireAlarm is still on the stack the window must outlive it; it goes when that returns.
    if (!m_firing)
        deleteLater();
}

void frmAlarm::cmdGoTo_Click()
{
    if (NoteWindow *note = boundNote())
        note->ShowNote();
}

void frmAlarm::cmdDisable_Click()
{
    if (NoteWindow *note = boundNote()) {
        // The note's alarm as it is now, with only its enabled flag changed: the alarm
        // may have been edited since this window opened.
        note->GetAlarmData();
        AlarmRecord now = m_program.CurrentAlarm;
        now.Enabled = false;
        m_program.CurrentAlarm = now;
        note->SetAlarmData();
        m_alarm.Enabled = false;
    }
    close();
}

} // namespace pellux
