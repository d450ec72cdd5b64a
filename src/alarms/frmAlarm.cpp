#include "alarms/frmAlarm.h"

#include "app/NoteWindow.h"
#include "app/Program.h"
#include "core/AlarmRules.h"
#include "platform/ModalScope.h"

#include <QApplication>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

namespace pellux {

frmAlarm::frmAlarm(Program &program)
    : QDialog(nullptr)
    , m_program(program)
{
    setObjectName(QStringLiteral("frmAlarm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Pellux Alarm"));

    auto *icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(48, 48));
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
    cmdDisable = new QPushButton(QStringLiteral("&Disable Alarm"), this);
    cmdDisable->setVisible(false);
    cmdOk = new QPushButton(QStringLiteral("Ok"), this);
    cmdOk->setDefault(true);

    auto *text = new QVBoxLayout;
    text->addWidget(lblAlarmID);
    text->addWidget(lblAlarmInfo);
    text->addWidget(lblOnceNotice);
    auto *top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
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

void frmAlarm::FireAlarm(int n)
{
    // A modal dialog is up: the alarm waits, events running, until the last one closes.
    ModalState &modal = m_program.modal();
    while (modal.active()) {
        QEventLoop wait;
        connect(&modal, &ModalState::ended, &wait, &QEventLoop::quit);
        wait.exec();
    }
    NoteWindow *note = m_program.note(n);
    if (!note) {
        close();
        return;
    }
    m_slot = n;
    note->GetAlarmData();
    m_alarm = m_program.CurrentAlarm;
    setWindowTitle(QStringLiteral("Pellux Alarm: ") + note->Caption());
    if (m_alarm.AlarmType != 0) {
        cmdDisable->setVisible(true);
    } else {
        // A once-alarm fires a single time.
        m_alarm.Enabled = false;
        lblOnceNotice->setVisible(true);
        m_program.CurrentAlarm = m_alarm;
        note->SetAlarmData();
    }
    lblAlarmInfo->setText(AlarmDescription(m_alarm));
    lblAlarmID->setText(note->Caption());
    adjustSize();
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->availableGeometry();
        move(s.x() + (s.width() - width()) / 2, s.y() + (s.height() - height()) / 2);
    }
    show();
    raise();
    activateWindow();
    QCoreApplication::processEvents();
}

void frmAlarm::cmdGoTo_Click()
{
    if (NoteWindow *note = m_program.note(m_slot))
        note->ShowNote();
}

void frmAlarm::cmdDisable_Click()
{
    if (NoteWindow *note = m_program.note(m_slot)) {
        m_alarm.Enabled = false;
        m_program.CurrentAlarm = m_alarm;
        note->SetAlarmData();
    }
    close();
}

} // namespace pellux
