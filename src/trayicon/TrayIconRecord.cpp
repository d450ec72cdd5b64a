#include "TrayIconRecord.h"

namespace halotray {

QString fixedTrayTip(const QString &tip)
{
    QString fixed = tip.left(TrayIconRecord::kTipLength);
    if (fixed.size() == TrayIconRecord::kTipLength && fixed.back().isHighSurrogate())
        fixed.chop(1);
    return fixed.leftJustified(TrayIconRecord::kTipLength, QLatin1Char(' '));
}

QString displayTrayTip(const QString &recordTip)
{
    qsizetype end = recordTip.size();
    while (end > 0 && recordTip.at(end - 1) == QLatin1Char(' '))
        --end;
    return recordTip.left(end);
}

} // namespace halotray
