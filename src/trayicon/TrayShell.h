#pragma once

#include "TrayIconRecord.h"

namespace halotray {

/**
 * The desktop's notification area as the control sees it: the three commands of the
 * classic shell call. Each returns whether the shell accepted the record. A modify
 * fails when the shell no longer knows the icon (after it restarted, say), which is
 * the control's cue to add it again.
 */
class TrayShell
{
public:
    virtual ~TrayShell() = default;
    virtual bool add(const TrayIconRecord &record) = 0;
    virtual bool modify(const TrayIconRecord &record) = 0;
    virtual bool remove(const TrayIconRecord &record) = 0;
};

} // namespace halotray
