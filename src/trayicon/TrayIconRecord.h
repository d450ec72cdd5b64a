#pragma once

#include <QIcon>
#include <QString>
#include <QtGlobal>

namespace halotray {

/**
 * Whoever receives the shell's notifications for an icon. The shell hands back the
 * record's callback message together with the mouse message that happened on the icon.
 */
class TrayNotifySink
{
public:
    virtual ~TrayNotifySink() = default;
    virtual void shellNotify(quint32 callbackMessage, int mouseMessage) = 0;
};

/// Which parts of the record the shell should take.
enum TrayRecordFlag : quint32 {
    TrayFlagMessage = 1,
    TrayFlagIcon = 2,
    TrayFlagTip = 4,
    TrayFlagsAll = TrayFlagMessage | TrayFlagIcon | TrayFlagTip,
};

/**
 * The notification-icon record handed to the shell. Its shape follows the classic
 * 88-byte shell record so that hosts and shells agree on every field; the icon is
 * carried as a QIcon instead of a raw handle.
 */
struct TrayIconRecord
{
    static constexpr quint32 kRecordSize = 88;
    static constexpr quint32 kIconId = 1;
    static constexpr quint32 kCallbackMessage = 512; // the mouse-move message number
    static constexpr int kTipLength = 64;

    quint32 size = kRecordSize;
    TrayNotifySink *owner = nullptr;
    quint32 id = kIconId;
    quint32 flags = 0;
    quint32 callbackMessage = kCallbackMessage;
    QIcon icon;
    QString tip = QString(kTipLength, QLatin1Char(' '));
};

/**
 * The tip as the record's fixed field holds it: cut to 64 UTF-16 units or padded
 * with blanks. A cut never leaves half of a surrogate pair behind; the freed unit
 * becomes a blank instead.
 */
QString fixedTrayTip(const QString &tip);

/// The tip as it should be displayed: the record's tip without its blank padding.
QString displayTrayTip(const QString &recordTip);

} // namespace halotray
