#include "install/shortcuts.h"

#include <filesystem>
#include <optional>
#include <vector>

#include "base/file_helpers.h"
#include "base/install_log.h"
#include "base/texts/ui_texts.h"
#include "external/product_programs.h"
#include "external/vendor_config.h"
#include "install/shell_refresh.h"
#include "platform/desktop_entry.h"
#include "platform/known_folders.h"
#include "platform/path.h"
#include "platform/process.h"
#include "platform/text.h"

using base::WriteLog;

namespace install {

namespace {

constexpr wchar_t kQuickLaunchTail[] = L"Microsoft/Internet Explorer/Quick Launch";
constexpr wchar_t kPinnedTaskbarTail[] = L"Microsoft/Internet Explorer/Quick Launch/User Pinned/TaskBar";

bool FitsPathBuffer(const std::wstring& path) { return path.size() < static_cast<size_t>(kMaxPath); }

bool IsInDesktopUsersFolder(int location) {
  return location != kShortcutCommonPrograms && location != kShortcutWorkingFolder;
}

bool IsDesktopForCreation(int location) {
  return location == kShortcutDesktop || location < 0 || location > kShortcutWorkingFolder;
}

bool IsWebAddress(const std::string& target) { return target.find("://") != std::string::npos; }

std::optional<platform::FileOwner> DesktopUserOwner() {
  const platform::DesktopUser user = platform::ResolveDesktopUser();
  return platform::FileOwner{user.uid, user.gid};
}

// The menu folders need not exist on a fresh account; the last element is made when
// its parent is there (never a whole chain into a home that does not exist).
void MakeMenuFolder(const std::wstring& folder, bool forDesktopUser) {
  if (folder.empty() || platform::PathIsDirectory(folder)) return;
  std::wstring parent = folder;
  if (!platform::PathRemoveFileSpec(parent) || !platform::PathIsDirectory(parent)) return;
  std::error_code error;
  if (std::filesystem::create_directory(std::filesystem::path(folder), error) && forDesktopUser)
    platform::GiveToDesktopUser(platform::WideToNarrow(folder));
}

// CreateFolderChain, with the folders it made given to the desktop user when asked.
void CreateOwnedFolderChain(const std::wstring& path, bool forDesktopUser) {
  std::vector<std::wstring> missing;
  for (std::wstring walk = path; !walk.empty() && !platform::PathFileExists(walk);) {
    missing.push_back(walk);
    if (!platform::PathRemoveFileSpec(walk)) break;
  }
  base::CreateFolderChain(path);
  if (!forDesktopUser) return;
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (platform::PathIsDirectory(*it)) platform::GiveToDesktopUser(platform::WideToNarrow(*it));
  }
}

// A single path element, no way out of the folder it is joined to.
bool IsPlainName(const std::wstring& name) {
  return !name.empty() && name != L"." && name != L".." && name.find(L'/') == std::wstring::npos;
}

bool IsSymlink(const std::wstring& path) {
  std::error_code error;
  return std::filesystem::is_symlink(std::filesystem::symlink_status(std::filesystem::path(path), error));
}

std::wstring Text(int id) { return base::GetText(id); }

}  // namespace

std::wstring ShortcutFileName(const std::wstring& linkName) {
  return linkName + platform::NarrowToWide(platform::kDesktopEntryExtension);
}

std::wstring ShortcutFolder(int location, bool forCreation, const wchar_t* workDir) {
  std::wstring folder;
  if (location == kShortcutWorkingFolder && forCreation) {
    folder = workDir ? workDir : L"";
  } else if (location == kShortcutQuickLaunch || location == kShortcutPinnedTaskbar) {
    folder = platform::GetKnownFolder(platform::KnownFolder::RoamingAppData);
    if (!folder.empty())
      platform::PathAppend(folder, location == kShortcutQuickLaunch ? kQuickLaunchTail : kPinnedTaskbarTail);
  } else if (location == kShortcutUserPrograms) {
    folder = platform::GetKnownFolder(platform::KnownFolder::UserPrograms);
  } else if (location == kShortcutCommonPrograms) {
    folder = platform::GetKnownFolder(platform::KnownFolder::CommonPrograms);
  } else {
    folder = platform::GetKnownFolder(platform::KnownFolder::Desktop);
  }
  return FitsPathBuffer(folder) ? folder : std::wstring();
}

HRESULT CreateShortcut(const wchar_t* target, const wchar_t* workDir, const wchar_t* linkName, int location,
                       const wchar_t* subFolder, const wchar_t* description, const wchar_t* iconPath,
                       const wchar_t* arguments) {
  if (!target || !linkName) return E_POINTER;
  const bool forUser = IsInDesktopUsersFolder(location);
  std::wstring folder = ShortcutFolder(location, true, workDir);
  if (location == kShortcutUserPrograms || location == kShortcutCommonPrograms) MakeMenuFolder(folder, forUser);
  if (folder.empty() || !platform::PathIsDirectory(folder)) return E_FAIL;
  if (subFolder && *subFolder) {
    if (!IsPlainName(subFolder)) return E_FAIL;
    platform::PathAppend(folder, subFolder);
    // A link planted in place of the sub-folder would take root's writes elsewhere.
    if (IsSymlink(folder)) return E_FAIL;
    CreateOwnedFolderChain(folder, forUser);
  }
  LinkPlacement placement;
  placement.inDesktopUsersFolder = forUser;
  placement.onDesktop = IsDesktopForCreation(location);
  return CreateLink(target, folder.c_str(), linkName, workDir, 0, description, iconPath, arguments, kShowNormal,
                    placement)
             ? S_OK
             : E_FAIL;
}

bool CreateLink(const wchar_t* target, const wchar_t* folder, const wchar_t* linkName, const wchar_t* workDir,
                WORD /*hotkey*/, const wchar_t* description, const wchar_t* iconPath, const wchar_t* arguments,
                int /*showCmd*/, const LinkPlacement& placement) {
  if (!folder || !target || !linkName || !IsPlainName(linkName)) return false;
  const std::wstring file = platform::PathJoin(std::wstring(folder), ShortcutFileName(linkName));
  if (!FitsPathBuffer(file)) return false;

  platform::DesktopEntry entry;
  entry.name = platform::WideToNarrow(linkName);
  if (description) entry.comment = platform::WideToNarrow(description);
  const std::string targetText = platform::WideToNarrow(target);
  if (iconPath && *iconPath) entry.icon = platform::WideToNarrow(iconPath);
  if (IsWebAddress(targetText)) {
    entry.type = platform::DesktopEntry::Type::Link;
    entry.url = targetText;
    if (entry.icon.empty()) entry.icon = "text-html";  // a web address is no icon file
  } else {
    entry.exec.push_back(targetText);
    if (arguments) {
      for (auto& argument : platform::SplitCommandLine(platform::WideToNarrow(arguments)))
        entry.exec.push_back(std::move(argument));
    }
    if (workDir && *workDir) entry.workingFolder = platform::WideToNarrow(workDir);
    if (entry.icon.empty()) entry.icon = targetText;
  }

  const std::string path = platform::WideToNarrow(file);
  const auto owner = placement.inDesktopUsersFolder ? DesktopUserOwner() : std::nullopt;
  if (!platform::WriteDesktopEntryFile(path, entry, placement.onDesktop, owner)) return false;
  if (placement.onDesktop) {
    std::optional<platform::DesktopUser> user;
    if (placement.inDesktopUsersFolder) user = platform::ResolveDesktopUser();
    platform::MarkDesktopEntryTrusted(path, user);
  }
  return true;
}

bool DeleteShortcutFile(int location, const std::wstring& fileName) {
  const std::wstring folder = ShortcutFolder(location, false, nullptr);
  if (folder.empty() || !platform::PathIsDirectory(folder)) return false;
  if (IsPlainName(fileName)) {
    const std::filesystem::path file(platform::PathJoin(folder, fileName));
    std::error_code error;
    if (!std::filesystem::is_directory(std::filesystem::symlink_status(file, error)))
      std::filesystem::remove(file, error);
  }
  return true;
}

bool DeleteShortcutFolder(int location, const std::wstring& folderName) {
  const std::wstring folder = ShortcutFolder(location, false, nullptr);
  if (folder.empty() || !platform::PathIsDirectory(folder)) return false;
  // An empty name would be the whole menu or desktop.
  if (!IsPlainName(folderName)) return false;
  const std::wstring target = platform::PathJoin(folder, folderName);
  std::error_code error;
  if (IsSymlink(target))
    std::filesystem::remove(std::filesystem::path(target), error);  // the link, never what it points at
  else
    base::DeleteFolderTree(target);
  return true;
}

bool DeleteStartMenuFolders(const std::wstring& folderName) {
  DeleteShortcutFolder(kShortcutUserPrograms, folderName);
  DeleteShortcutFolder(kShortcutCommonPrograms, folderName);
  return true;
}

namespace {

std::wstring ProductLinkName(bool is64BitPackage) { return is64BitPackage ? L"Corvex 11 (x64)" : L"Corvex 11"; }
std::wstring ProductMiniLinkName(bool is64BitPackage) {
  return is64BitPackage ? L"Corvex 11 Mini (x64)" : L"Corvex 11 Mini";
}

// A link counts as not written only where its folder exists: a machine without a
// desktop folder simply has no desktop links.
bool Written(HRESULT result, int location, const wchar_t* workDir) {
  if (SUCCEEDED(result)) return true;
  const std::wstring folder = ShortcutFolder(location, true, workDir);
  const bool folderThere = !folder.empty() && platform::PathIsDirectory(folder);
  if (folderThere) WriteLog("Shortcut in %s was not written.", platform::WideToNarrow(folder).c_str());
  return !folderThere;
}

}  // namespace

bool CreateProductShortcuts(const std::wstring& installFolder, bool is64BitPackage, const std::string& version,
                            bool wantDesktopPair, ShortcutScope scope) {
  const bool user = scope != ShortcutScope::kSystem;
  const bool system = scope != ShortcutScope::kUser;
  const std::wstring name = ProductLinkName(is64BitPackage);
  const std::wstring miniName = ProductMiniLinkName(is64BitPackage);
  const std::wstring program = platform::PathJoin(
      installFolder, platform::NarrowToWide(is64BitPackage ? product::kMainProgram64 : product::kMainProgram32));
  const std::wstring miniIcon =
      platform::PathJoin(installFolder, is64BitPackage ? L"CorvexMini64.ico" : L"CorvexMini.ico");
  const std::wstring uninstaller = platform::PathJoin(installFolder, platform::NarrowToWide(product::kUninstaller));
  const std::string webPage =
      GetVendorConfig().webSite + (is64BitPackage ? "/?s=corvex11&p=x64&v=" : "/?s=corvex11&v=") + version;
  const std::wstring webPageW = platform::NarrowToWide(webPage);
  const std::wstring miniMode = platform::NarrowToWide(product::kMiniModeParam);
  const std::wstring qtLog = platform::NarrowToWide(product::kQtLogParam);
  const wchar_t* folder = installFolder.c_str();
  bool allWritten = true;
  const auto link = [&](const wchar_t* target, const wchar_t* workDir, const std::wstring& linkName, int location,
                        const wchar_t* subFolder, const std::wstring& description, const wchar_t* icon,
                        const wchar_t* arguments) {
    const HRESULT result =
        CreateShortcut(target, workDir, linkName.c_str(), location, subFolder, description.c_str(), icon, arguments);
    allWritten = Written(result, location, folder) && allWritten;
  };

  if (user) WriteLog("Create Icons for %s", is64BitPackage ? "x64" : "x86");

  if (user && wantDesktopPair) {
    link(program.c_str(), folder, name, kShortcutDesktop, nullptr, name + Text(36), nullptr, nullptr);
    link(program.c_str(), folder, miniName, kShortcutDesktop, nullptr, miniName + Text(36), miniIcon.c_str(),
         miniMode.c_str());
    WriteLog("Create DESKTOP Icons Finish.");
  }

  if (system) {
    link(program.c_str(), folder, name + L" QtLog", kShortcutWorkingFolder, nullptr,
         name + L" Application with qtlog mode", miniIcon.c_str(), qtLog.c_str());
  }

  for (const int location : {kShortcutUserPrograms, kShortcutCommonPrograms}) {
    if ((location == kShortcutUserPrograms && !user) || (location == kShortcutCommonPrograms && !system)) continue;
    link(program.c_str(), folder, name, location, name.c_str(), name + Text(36), nullptr, nullptr);
    link(program.c_str(), folder, miniName, location, name.c_str(), miniName + Text(36), miniIcon.c_str(),
         miniMode.c_str());
    link(uninstaller.c_str(), folder, Text(47), location, name.c_str(), name + Text(35), nullptr, nullptr);
    link(webPageW.c_str(), nullptr, Text(46), location, name.c_str(), name + Text(38), nullptr, nullptr);
    WriteLog(location == kShortcutUserPrograms ? "Create START_MENU Icons Finish."
                                               : "Create COMMON_MENU Icons Finish.");
  }
  return allWritten;
}

void RefreshProductIcons() {
  for (int i = 0; i < 3; ++i) RefreshIcons();
  WriteLog("Refresh Icons Finish.");
}

void SnapshotProductShortcuts(bool is64BitPackage, FileSetSnapshot& snapshot, ShortcutScope scope) {
  const bool user = scope != ShortcutScope::kSystem;
  const bool system = scope != ShortcutScope::kUser;
  const std::wstring name = ProductLinkName(is64BitPackage);
  const std::wstring desktop = user ? ShortcutFolder(kShortcutDesktop, true, nullptr) : std::wstring();
  if (!desktop.empty()) {
    for (const std::wstring& link : {name, ProductMiniLinkName(is64BitPackage)}) {
      snapshot.AddFile(platform::WideToNarrow(platform::PathJoin(desktop, ShortcutFileName(link))));
    }
  }
  for (const int location : {kShortcutUserPrograms, kShortcutCommonPrograms}) {
    if ((location == kShortcutUserPrograms && !user) || (location == kShortcutCommonPrograms && !system)) continue;
    const std::wstring menu = ShortcutFolder(location, true, nullptr);
    if (!menu.empty()) snapshot.AddFolder(platform::WideToNarrow(platform::PathJoin(menu, name)));
  }
}

}  // namespace install
