// Nudging the desktop to pick up new or removed shortcuts and icons.
#pragma once

namespace install {

inline constexpr char kWindowMetricsKey[] = "Control Panel\\Desktop\\WindowMetrics";
inline constexpr char kShellIconSizeValue[] = "Shell Icon Size";
inline constexpr int kDefaultShellIconSize = 32;

// Round trip of "Shell Icon Size" in the user's registry (size + 1, 200 ms, size: the
// value read, or 32 when it is missing, unreadable or not positive), then the menu
// folders are touched and their desktop databases rebuilt.
void RefreshIcons();

}  // namespace install
