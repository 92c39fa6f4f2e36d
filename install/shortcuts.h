// The product's shortcuts: desktop entries on the desktop, in the install folder and
// in the user's and all users' application menus.
#pragma once

#include <string>

#include "install/file_set_snapshot.h"
#include "platform/win_types.h"

namespace install {

// Where a shortcut goes.
enum ShortcutLocation : int {
  kShortcutQuickLaunch = 0,     // roaming config + "/Microsoft/Internet Explorer/Quick Launch"
  kShortcutPinnedTaskbar = 1,   // the same + "/User Pinned/TaskBar"
  kShortcutUserPrograms = 2,    // the user's application menu folder
  kShortcutCommonPrograms = 3,  // all users' application menu folder
  kShortcutDesktop = 4,
  kShortcutWorkingFolder = 5,  // creation only: the working folder given with the link
};
inline constexpr int kShowNormal = 1;

// The file a link named `linkName` is stored in: `linkName` + ".desktop".
std::wstring ShortcutFileName(const std::wstring& linkName);

// The folder of a location; for creation, values above 5 are the desktop and 5 is
// `workDir`; for deletion, every value above 3 is the desktop. Empty when it cannot be
// determined or does not fit a 260-character buffer.
std::wstring ShortcutFolder(int location, bool forCreation, const wchar_t* workDir);

// Null texts are "not given". E_POINTER without `target` or `linkName`; E_FAIL when the
// location's folder does not exist (the menu folders are made when only their last
// element is missing) or the link cannot be written. `subFolder` is created below the
// location's folder. S_OK once the link is written.
HRESULT CreateShortcut(const wchar_t* target, const wchar_t* workDir, const wchar_t* linkName, int location,
                       const wchar_t* subFolder, const wchar_t* description, const wchar_t* iconPath,
                       const wchar_t* arguments);

// Who a link is written for: links in the desktop user's folders belong to that user,
// and those on the desktop are executable and marked trusted.
struct LinkPlacement {
  bool inDesktopUsersFolder = false;
  bool onDesktop = false;
};

// Writes "<folder>/<linkName>.desktop": an application entry starting `target` with
// `arguments` (a command line) in `workDir`, or a link entry when `target` is a web
// address. The icon is `iconPath`, else the target itself. `hotkey` and `showCmd` have
// no counterpart. False without `folder`, `target` or `linkName`, for a link name that
// holds a '/', a file path over 259 characters, or a failed write.
bool CreateLink(const wchar_t* target, const wchar_t* folder, const wchar_t* linkName, const wchar_t* workDir,
                WORD hotkey, const wchar_t* description, const wchar_t* iconPath, const wchar_t* arguments, int showCmd,
                const LinkPlacement& placement = {});

// False when the location's folder does not exist; otherwise deletes the file (result
// ignored) and answers true.
bool DeleteShortcutFile(int location, const std::wstring& fileName);
// False when the location's folder does not exist, or for an empty name or one that
// leaves the folder; otherwise deletes the folder tree (result ignored), true.
bool DeleteShortcutFolder(int location, const std::wstring& folderName);
// DeleteShortcutFolder at locations 2 and 3. Always true.
bool DeleteStartMenuFolders(const std::wstring& folderName);

// Which part of the set a call makes: the desktop user's own links (desktop pair, the
// user's menu) or the system's (the link in the install folder, all users' menu).
enum class ShortcutScope { kAll, kUser, kSystem };

// The product's set: the desktop pair when wanted, the " QtLog" link in the install
// folder, four links in each application menu. Every link is tried; false when one
// could not be written into a folder that exists.
bool CreateProductShortcuts(const std::wstring& installFolder, bool is64BitPackage, const std::string& version,
                            bool wantDesktopPair, ShortcutScope scope = ShortcutScope::kAll);
// Three icon refreshes and their log line, after the set is made.
void RefreshProductIcons();
// Records the files the set writes outside the install folder (desktop pair, both
// menu folders), so that a failed install can put them back.
void SnapshotProductShortcuts(bool is64BitPackage, FileSetSnapshot& snapshot,
                              ShortcutScope scope = ShortcutScope::kAll);

}  // namespace install
