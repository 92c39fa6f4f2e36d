// The program's numbered resources and command identifiers, in one table: dialog
// templates, bitmaps and icons of the resource bundle (/corvex/bitmap/<id>), and
// the WM_COMMAND ids of the painted controls.
#pragma once

namespace base {

namespace resource_ids {

// Dialog templates (empty: each dialog paints itself).
inline constexpr int kSetupDialogTemplate = 130;
inline constexpr int kMessageBoxTemplate = 173;
inline constexpr int kInfoViewTemplate = 189;

// Icons and bitmaps.
inline constexpr int kProgramIcon = 107;
inline constexpr int kLogoBitmapX86 = 138;
inline constexpr int kFinishLogoBitmapX86 = 139;
inline constexpr int kLogoBitmapX64 = 187;
inline constexpr int kFinishLogoBitmapX64 = 188;

// Commands. The close buttons of every dialog send the same id.
inline constexpr int kCloseCommand = 1612;
inline constexpr int kMinimizeCommand = 1613;
inline constexpr int kMessageBoxCloseAltCommand = 1626;
inline constexpr int kMessageBoxNoChoice = 1628;
inline constexpr int kMessageBoxOkCommand = 1629;
inline constexpr int kMessageBoxCancelCommand = 1630;

}  // namespace resource_ids

}  // namespace base
