// Mouse buttons as the windows' mouse handlers receive them; a combination is their sum.
#pragma once

namespace forms {

inline constexpr int kLeftButton = 1;
inline constexpr int kRightButton = 2;
inline constexpr int kMiddleButton = 4;

}  // namespace forms
