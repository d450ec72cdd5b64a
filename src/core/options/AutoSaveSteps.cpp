#include "core/options/AutoSaveSteps.h"

#include <array>

namespace pellux::autosave {

namespace {

constexpr std::array<int, 8> Minutes{1, 2, 5, 10, 15, 30, 45, 60};
constexpr int DefaultPosition = 3;

} // namespace

int PositionOf(int minutes)
{
    for (size_t i = 0; i < Minutes.size(); ++i)
        if (Minutes[i] == minutes)
            return int(i) + FirstPosition;
    return DefaultPosition;
}

std::optional<int> MinutesAt(int position)
{
    if (position < FirstPosition || position > LastPosition)
        return std::nullopt;
    return Minutes[size_t(position - FirstPosition)];
}

QString LabelAt(int position)
{
    const std::optional<int> m = MinutesAt(position);
    if (!m)
        return {};
    return *m == 1 ? QStringLiteral("1 Minute") : QStringLiteral("%1 Minutes").arg(*m);
}

} // namespace pellux::autosave
