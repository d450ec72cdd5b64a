#pragma once

#include <QIcon>
#include <QString>

/// Halotray's own identity: it versions and ships apart from any host program.
namespace halotray {

inline constexpr int kVersionMajor = 6;
inline constexpr int kVersionMinor = 0;
inline constexpr int kVersionRevision = 12;
/// Written straight after the minor version in the About box ("v6.0-qt").
inline constexpr const char kBuildTag[] = "-qt";

inline constexpr const char kProductName[] = "Brackwel System Tray Icon Control";
inline constexpr const char kRegisteredClass[] = "bwSysTray6.bwSysTray";
inline constexpr const char kDefaultTip[] = "Brackwel System Tray Control";

inline constexpr const char kMakerHome[] = "http://www.brackwel.example/";
inline constexpr const char kMakerFeedbackMail[] = "suggestions@brackwel.example";
inline constexpr const char kMakerSupportMail[] = "support@brackwel.example";

/// The control's own picture, also the About box's icon.
QIcon ownPicture();

} // namespace halotray
