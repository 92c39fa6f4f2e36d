#include "setup/install_work_items.h"

#include <algorithm>

#include "base/file_helpers.h"
#include "base/install_log.h"
#include "install/package_errors.h"
#include "install/package_reader.h"
#include "install/package_unpacked_size.h"
#include "install/shortcuts.h"
#include "install/uninstall_registration.h"
#include "platform/folder_swap.h"
#include "platform/path.h"
#include "platform/text.h"
#include "setup/install_checks.h"
#include "telemetry/report_values.h"

using base::DeleteFolderTree;
using base::WriteLog;

namespace setup {

namespace {

// Room for the unpacked payload beyond the archive itself: folders, block rounding.
constexpr long long kUnpackSlackBytes = 8LL * 1024 * 1024;

std::wstring Wide(const std::string& text) { return platform::NarrowToWide(text); }

bool Exists(const std::string& path) { return !path.empty() && platform::PathFileExists(path); }

}  // namespace

bool PrepareFreshFolderItem::Do() {
  const std::wstring target = Wide(folders_.target);
  // Only a previous install of this product (or an empty folder) is replaced; the
  // checks refused anything else, and this repeats their judgement right before it.
  if (!MayEmptyInstallFolder(target, info_)) {
    failure_.failure = InstallFailure::kFolderNotOurs;
    return false;
  }
  std::string parent = folders_.target;
  platform::PathRemoveFileSpec(parent);
  if (!base::CreateFolderChain(Wide(parent)) || !platform::FolderAcceptsWrites(parent) ||
      (Exists(folders_.target) && !platform::FolderAcceptsWrites(folders_.target))) {
    WriteLog("Install folder %s cannot be written.", folders_.target.c_str());
    failure_.failure = InstallFailure::kFolderNotWritable;
    return false;
  }
  // The unpacked size as listed; a package that cannot be listed fails in the unpack.
  const long long unpacked = static_cast<long long>(install::UnpackedPayloadSize(packagePath_));
  const long long payload = std::max<long long>(unpacked, info_.payloadSize);
  const long long needed = payload + info_.uninstallerSize + kUnpackSlackBytes;
  const long long free = platform::FreeBytesAt(parent);
  if (free >= 0 && free < needed) {
    WriteLog("Not enough space for the product in %s: %lld MB free, %lld MB needed.", parent.c_str(),
             free / (1024 * 1024), needed / (1024 * 1024));
    failure_.failure = InstallFailure::kNoSpaceForProduct;
    return false;
  }
  std::string error;
  folders_.fresh = platform::CreateSiblingFolder(folders_.target, "new", &error);
  if (folders_.fresh.empty()) {
    WriteLog("No new folder beside %s: %s.", folders_.target.c_str(), error.c_str());
    failure_.failure = InstallFailure::kFolderNotWritable;
    return false;
  }
  return true;
}

void PrepareFreshFolderItem::Rollback() {
  if (Exists(folders_.fresh)) DeleteFolderTree(Wide(folders_.fresh));
  folders_.fresh.clear();
}

bool ExtractPackageItem::Do() {
  if (recordStep_) recordStep_(telemetry::install_step::kInstallBegin);
  const std::wstring fresh = Wide(folders_.fresh);
  const HRESULT result =
      install::UnpackSetupPackage(packagePath_.c_str(), receiver_, fresh.c_str(), true, true, &cancel_);
  if (recordStep_) recordStep_(telemetry::install_step::kInstallEnd);
  WriteLog("Install File Result %0X", static_cast<unsigned>(result));
  if (result >= 0) return true;
  WriteLog("Install File FAILED error code = %0X, last error = %d.\n", static_cast<unsigned>(result),
           install::GetLastInstallError());
  failure_.failure = install::GetLastInstallError() == install::kInstallDiskFull ? InstallFailure::kDiskFull
                                                                                 : InstallFailure::kExtraction;
  return false;
}

bool SwapInFolderItem::Do() {
  std::string error;
  if (Exists(folders_.target)) {
    folders_.previous = platform::CreateSiblingFolder(folders_.target, "old", &error);
    if (folders_.previous.empty() || !platform::RenameFolder(folders_.target, folders_.previous, &error)) {
      WriteLog("The previous install %s cannot be moved aside: %s.", folders_.target.c_str(), error.c_str());
      if (!folders_.previous.empty()) DeleteFolderTree(Wide(folders_.previous));
      folders_.previous.clear();
      failure_.failure = InstallFailure::kFolderNotWritable;
      return false;
    }
  }
  if (!platform::RenameFolder(folders_.fresh, folders_.target, &error)) {
    WriteLog("The new install cannot be moved to %s: %s.", folders_.target.c_str(), error.c_str());
    if (!folders_.previous.empty()) platform::RenameFolder(folders_.previous, folders_.target);
    folders_.previous.clear();
    failure_.failure = InstallFailure::kSwap;
    return false;
  }
  WriteLog("Install folder %s replaced.", folders_.target.c_str());
  return true;
}

void SwapInFolderItem::Rollback() {
  // The new install goes back to its fresh name; the fresh folder's undo deletes it.
  if (!platform::RenameFolder(folders_.target, folders_.fresh)) DeleteFolderTree(Wide(folders_.target));
  if (!folders_.previous.empty() && !platform::RenameFolder(folders_.previous, folders_.target)) {
    WriteLog("The previous install stays at %s.", folders_.previous.c_str());
  }
  folders_.previous.clear();
}

void SwapInFolderItem::Commit() {
  if (folders_.previous.empty()) return;
  const bool removed = DeleteFolderTree(Wide(folders_.previous));
  WriteLog("Previous install %s %s.", folders_.previous.c_str(),
           removed ? "removed" : "could not be removed completely");
  folders_.previous.clear();
}

bool CreateShortcutsItem::Do() {
  const bool is64 = info_.is64Bit != 0;
  install::SnapshotProductShortcuts(is64, before_, scope_);
  if (install::CreateProductShortcuts(Wide(folders_.target), is64, install::PackageInfoText(info_.version),
                                      wantDesktopPair_, scope_))
    return true;
  before_.Restore();
  failure_.failure = InstallFailure::kShortcuts;
  return false;
}

void CreateShortcutsItem::Rollback() { before_.Restore(); }

bool WriteUninstallEntryItem::Do() {
  before_.Take(install::UninstallEntryName(info_));
  if (install::WriteUninstallEntry(info_, Wide(folders_.target), installOptions_, silent_)) return true;
  before_.Restore();
  failure_.failure = InstallFailure::kRegistration;
  return false;
}

void WriteUninstallEntryItem::Rollback() { before_.Restore(); }

}  // namespace setup
