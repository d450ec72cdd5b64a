#pragma once

// Private to core/channel: how its units hand a reason back to an optional caller.

#include <QString>

namespace pellux::channeldetail {

inline void setError(QString *errorString, const QString &text)
{
    if (errorString)
        *errorString = text;
}

} // namespace pellux::channeldetail
