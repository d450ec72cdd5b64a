#pragma once

#include <QString>

#include <optional>

namespace pellux {

/// The auto-save interval slider of the program options: positions 1 to 8.
namespace autosave {

inline constexpr int FirstPosition = 1;
inline constexpr int LastPosition = 8;

/// The slider position that shows \a minutes: the table's, or 3 (5 minutes) for any other value.
int PositionOf(int minutes);
/// The minutes of \a position; nullopt outside 1 to 8.
std::optional<int> MinutesAt(int position);
/// The label under the slider at \a position ("1 Minute", "5 Minutes"); empty outside 1 to 8.
QString LabelAt(int position);

} // namespace autosave

} // namespace pellux
