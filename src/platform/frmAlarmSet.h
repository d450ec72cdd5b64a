#pragma once

#include "core/NoteRecord.h"

#include <QDateTime>
#include <QDialog>

#include <array>
#include <optional>

class QCheckBox;
class QDateEdit;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimeEdit;

namespace pellux {

class Prompts;
class SoundPlayer;

/**
 * "Alarm Properties": edits one note's alarm. The window only converts between the
 * record and its controls; the caller runs it modally and stores what it saved.
 * Browse asks through \a prompts (so its words can be checked), Play plays on
 * \a player and keeps window events running while the sound lasts.
 */
class frmAlarmSet : public QDialog
{
    Q_OBJECT

public:
    frmAlarmSet(Prompts &prompts, SoundPlayer &player, QWidget *parent = nullptr);
    ~frmAlarmSet() override;

    /**
     * Shows \a alarm in the controls. An enabled alarm shows its own values (a date
     * already past shows \a now's date); a disabled one shows \a now and leaves type,
     * weekdays and sound as the window starts.
     */
    void SetAlarm(const AlarmRecord &alarm, const QDateTime &now);

    /// The record the controls hold now (what Save stores).
    AlarmRecord controlsRecord() const;
    /// The record Save stored; nullopt until Save (and after Cancel).
    const std::optional<AlarmRecord> &saved() const { return m_saved; }

    /// Puts the window in the middle of \a screen (pixels).
    void centreOn(const QRect &screen);

    QGroupBox *fraAType = nullptr;
    std::array<QRadioButton *, 2> optAlarmType{};   ///< 0 "Once", 1 "Repeat"
    QGroupBox *fraEnabled = nullptr;
    std::array<QRadioButton *, 2> optEnabled{};     ///< 1 "Enabled", 0 "Disabled"
    QGroupBox *Frame1 = nullptr;
    QTimeEdit *dtpTime = nullptr;
    QGroupBox *fraDate = nullptr;
    QDateEdit *dtpDate = nullptr;
    QGroupBox *fraDOW = nullptr;
    std::array<QCheckBox *, 7> chkWeekDay{};        ///< Sunday 0 ... Saturday 6
    QGroupBox *Frame5 = nullptr;
    QLineEdit *txtSound = nullptr;
    QPushButton *cmdSoundBrowse = nullptr;
    QPushButton *cmdSoundPlay = nullptr;
    QPushButton *cmdSave = nullptr;
    QPushButton *cmdCancel = nullptr;

    /// Whether Play's sound is still being waited for.
    bool isPlaying() const { return m_playing; }

public slots:
    void done(int result) override;

private:
    void optAlarmType_Click(int index);
    void txtSound_Change();
    void cmdSoundBrowse_Click();
    void cmdSoundPlay_Click();
    void cmdSave_Click();
    void stopSound();

    Prompts &m_prompts;
    SoundPlayer &m_player;
    std::optional<AlarmRecord> m_saved;
    bool m_playing = false;
};

} // namespace pellux
