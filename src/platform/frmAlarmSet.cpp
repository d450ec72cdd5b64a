#include "platform/frmAlarmSet.h"

#include "core/LocaleText.h"
#include "platform/Prompts.h"
#include "platform/SoundPlayer.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace pellux {

namespace {

QRadioButton *option(const QString &caption, const char *name, int index, QWidget *parent)
{
    auto *b = new QRadioButton(caption, parent);
    b->setObjectName(QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index));
    return b;
}

QGroupBox *frame(const QString &caption, const char *name, QWidget *parent)
{
    auto *f = new QGroupBox(caption, parent);
    f->setObjectName(QLatin1String(name));
    return f;
}

} // namespace

frmAlarmSet::frmAlarmSet(Prompts &prompts, SoundPlayer &player, QWidget *parent)
    : QDialog(parent)
    , m_prompts(prompts)
    , m_player(player)
{
    setObjectName(QStringLiteral("frmAlarmSet"));
    setWindowTitle(QStringLiteral("Alarm Properties"));

    fraAType = frame(QStringLiteral("&Alarm Type"), "fraAType", this);
    optAlarmType[0] = option(QStringLiteral("Once"), "optAlarmType", 0, fraAType);
    optAlarmType[1] = option(QStringLiteral("Repeat"), "optAlarmType", 1, fraAType);
    auto *typeLayout = new QVBoxLayout(fraAType);
    typeLayout->addWidget(optAlarmType[0]);
    typeLayout->addWidget(optAlarmType[1]);

    fraEnabled = frame(QStringLiteral("Alarm S&tatus"), "fraEnabled", this);
    optEnabled[1] = option(QStringLiteral("Enabled"), "optEnabled", 1, fraEnabled);
    optEnabled[0] = option(QStringLiteral("Disabled"), "optEnabled", 0, fraEnabled);
    auto *statusLayout = new QVBoxLayout(fraEnabled);
    statusLayout->addWidget(optEnabled[1]);
    statusLayout->addWidget(optEnabled[0]);

    Frame1 = frame(QStringLiteral("&Time"), "Frame1", this);
    dtpTime = new QTimeEdit(Frame1);
    dtpTime->setObjectName(QStringLiteral("dtpTime"));
    dtpTime->setDisplayFormat(QStringLiteral("h:mm AP"));
    auto *timeLayout = new QVBoxLayout(Frame1);
    timeLayout->addWidget(dtpTime);

    fraDate = frame(QStringLiteral("&Date"), "fraDate", this);
    dtpDate = new QDateEdit(fraDate);
    dtpDate->setObjectName(QStringLiteral("dtpDate"));
    dtpDate->setCalendarPopup(true);
    // The short date as the rest of the program writes it, with all four digits of the
    // year: a two-digit year in an editor would leave the century to guesswork.
    dtpDate->setDisplayFormat(ShortDateFormat4(locale()));
    auto *dateLayout = new QVBoxLayout(fraDate);
    dateLayout->addWidget(dtpDate);

    fraDOW = frame(QStringLiteral("Days Of The Week"), "fraDOW", this);
    const std::array<QString, 7> days{QStringLiteral("S&un"), QStringLiteral("Mo&n"), QStringLiteral("Tu&e"),
                                      QStringLiteral("&Wed"), QStringLiteral("T&hu"), QStringLiteral("&Fri"),
                                      QStringLiteral("&Sat")};
    auto *dowLayout = new QGridLayout(fraDOW);
    for (int i = 0; i < 7; ++i) {
        chkWeekDay[std::size_t(i)] = new QCheckBox(days[std::size_t(i)], fraDOW);
        chkWeekDay[std::size_t(i)]->setObjectName(QStringLiteral("chkWeekDay_%1").arg(i));
        dowLayout->addWidget(chkWeekDay[std::size_t(i)], i / 4, i % 4);
    }

    Frame5 = frame(QStringLiteral("Alarm S&ound"), "Frame5", this);
    txtSound = new QLineEdit(Frame5);
    txtSound->setObjectName(QStringLiteral("txtSound"));
    cmdSoundBrowse = new QPushButton(QStringLiteral("&Browse"), Frame5);
    cmdSoundBrowse->setObjectName(QStringLiteral("cmdSoundBrowse"));
    cmdSoundBrowse->setAutoDefault(false);
    cmdSoundPlay = new QPushButton(QStringLiteral("&Play"), Frame5);
    cmdSoundPlay->setObjectName(QStringLiteral("cmdSoundPlay"));
    cmdSoundPlay->setAutoDefault(false);
    auto *soundLayout = new QHBoxLayout(Frame5);
    soundLayout->addWidget(txtSound, 1);
    soundLayout->addWidget(cmdSoundBrowse);
    soundLayout->addWidget(cmdSoundPlay);

    cmdSave = new QPushButton(QStringLiteral("Sa&ve"), this);
    cmdSave->setObjectName(QStringLiteral("cmdSave"));
    cmdSave->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);

    auto *top = new QHBoxLayout;
    top->addWidget(fraAType);
    top->addWidget(fraEnabled);
    auto *when = new QHBoxLayout;
    when->addWidget(Frame1);
    when->addWidget(fraDate);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(when);
    layout->addWidget(fraDOW);
    layout->addWidget(Frame5);
    layout->addLayout(buttons);

    // How the window starts: a disabled once-alarm, no weekdays, no sound.
    optAlarmType[0]->setChecked(true);
    optEnabled[0]->setChecked(true);
    optAlarmType_Click(0);
    txtSound_Change();

    for (int i = 0; i < 2; ++i) {
        connect(optAlarmType[std::size_t(i)], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                optAlarmType_Click(i);
        });
    }
    connect(txtSound, &QLineEdit::textChanged, this, &frmAlarmSet::txtSound_Change);
    connect(cmdSoundBrowse, &QPushButton::clicked, this, &frmAlarmSet::cmdSoundBrowse_Click);
    connect(cmdSoundPlay, &QPushButton::clicked, this, &frmAlarmSet::cmdSoundPlay_Click);
    connect(cmdSave, &QPushButton::clicked, this, &frmAlarmSet::cmdSave_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

frmAlarmSet::~frmAlarmSet()
{
    stopSound();
}

void frmAlarmSet::SetAlarm(const AlarmRecord &alarm, const QDateTime &now)
{
    const QDate today = now.date();
    if (alarm.Enabled) {
        optEnabled[1]->setChecked(true);
        const int type = alarm.AlarmType == 0 ? 0 : 1;
        optAlarmType[std::size_t(type)]->setChecked(true);
        optAlarmType_Click(type);
        dtpTime->setTime(QTime(alarm.AlarmTime.hour(), alarm.AlarmTime.minute()));
        // The zero date of a never-set alarm lies before today too.
        const bool past = !alarm.AlarmDate.isValid() || alarm.AlarmDate < today;
        dtpDate->setDate(past ? today : alarm.AlarmDate);
        txtSound->setText(alarm.Sound);
        if (type == 1) {
            for (std::size_t i = 0; i < 7; ++i)
                chkWeekDay[i]->setChecked(alarm.DaysOfWeek[i]);
        }
    } else {
        optEnabled[0]->setChecked(true);
        dtpDate->setDate(today);
        const QTime t = now.time();
        dtpTime->setTime(QTime(t.hour(), t.minute()));
    }
}

AlarmRecord frmAlarmSet::controlsRecord() const
{
    AlarmRecord r;
    r.Enabled = !optEnabled[0]->isChecked();
    r.AlarmType = optAlarmType[0]->isChecked() ? 0 : 1;
    r.AlarmTime = dtpTime->time();
    r.AlarmDate = dtpDate->date();
    r.Sound = txtSound->text();
    for (std::size_t i = 0; i < 7; ++i)
        r.DaysOfWeek[i] = chkWeekDay[i]->isChecked();
    return r;
}

void frmAlarmSet::centreOn(const QRect &screen)
{
    adjustSize();
    move(screen.x() + (screen.width() - width()) / 2, screen.y() + (screen.height() - height()) / 2);
}

void frmAlarmSet::optAlarmType_Click(int index)
{
    const bool repeat = index == 1;
    fraDOW->setEnabled(repeat);
    for (QCheckBox *box : chkWeekDay)
        box->setEnabled(repeat);
    fraDate->setEnabled(!repeat);
    dtpDate->setEnabled(!repeat);
}

void frmAlarmSet::txtSound_Change()
{
    cmdSoundPlay->setEnabled(txtSound->text().endsWith(QLatin1String(".WAV"), Qt::CaseInsensitive));
}

void frmAlarmSet::cmdSoundBrowse_Click()
{
    FileRequest request;
    request.title = QStringLiteral("Select Wave File...");
    request.fileName = txtSound->text();
    request.filters = QStringList{QStringLiteral("Wave Files (*.wav)")};
    request.mustExist = true;
    const FileAnswer answer = m_prompts.openFile(request);
    if (!answer.path.isEmpty())
        txtSound->setText(answer.path);
}

void frmAlarmSet::cmdSoundPlay_Click()
{
    // Window events run while the sound plays: a second click must not start a second wait.
    if (m_playing)
        return;
    const QString path = txtSound->text();
    QString why;
    m_playing = true;
    if (!m_player.open(path)) {
        why = m_player.errorString();
    } else if (!m_player.play()) {
        why = m_player.errorString();
        m_player.close();
    } else if (m_player.waitForEnd() != SoundPlayer::WaitResult::Closed) {
        m_player.close();
    }
    m_playing = false;
    // The user pressed Play to hear the sound: silence needs a reason.
    if (!why.isEmpty())
        m_prompts.message(why, MsgIcon::Exclamation);
}

void frmAlarmSet::cmdSave_Click()
{
    m_saved = controlsRecord();
    accept();
}

void frmAlarmSet::done(int result)
{
    if (result != Accepted)
        m_saved.reset();
    // The sound is for trying it out: closing the window ends it, and with it Play's wait.
    stopSound();
    QDialog::done(result);
}

void frmAlarmSet::stopSound()
{
    if (m_playing)
        m_player.close();
}

} // namespace pellux
