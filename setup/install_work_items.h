// The steps of the install phase that change the machine, each able to undo itself:
// the fresh folder beside the install folder, the unpack into it, the swap that puts
// it in place of the previous install, the shortcuts, and the uninstall entry.
#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "base/progress_callback.h"
#include "install/file_set_snapshot.h"
#include "install/package_info.h"
#include "install/shortcuts.h"
#include "install/uninstall_entry_snapshot.h"
#include "platform/win_types.h"
#include "setup/install_state.h"
#include "setup/work_item.h"

namespace setup {

// The folders one install moves: where the product goes, the fresh folder it is
// unpacked into, and where the previous install waits until the end.
struct FolderReplacement {
  std::string target;
  std::string fresh;
  std::string previous;
};

// Why a step failed, for the message; read after the list has run.
struct StepFailure {
  InstallFailure failure = InstallFailure::kNone;
};

// Makes the fresh folder beside the target; refuses a target that is not ours or
// that cannot be written. Undo: the fresh folder goes.
class PrepareFreshFolderItem : public WorkItem {
 public:
  PrepareFreshFolderItem(FolderReplacement& folders, const install::PackageInfo& info, std::wstring packagePath,
                         StepFailure& failure)
      : WorkItem("prepare folder"),
        folders_(folders),
        info_(info),
        packagePath_(std::move(packagePath)),
        failure_(failure) {}
  bool Do() override;
  void Rollback() override;

 private:
  FolderReplacement& folders_;
  const install::PackageInfo& info_;
  std::wstring packagePath_;
  StepFailure& failure_;
};

// Unpacks the package into the fresh folder, between the begin and end step reports.
class ExtractPackageItem : public WorkItem {
 public:
  ExtractPackageItem(FolderReplacement& folders, std::wstring packagePath, base::ProgressCallback receiver,
                     const std::atomic<bool>& cancel, std::function<void(const char*)> recordStep, StepFailure& failure)
      : WorkItem("unpack"),
        folders_(folders),
        packagePath_(std::move(packagePath)),
        receiver_(std::move(receiver)),
        cancel_(cancel),
        recordStep_(std::move(recordStep)),
        failure_(failure) {}
  bool Do() override;

 private:
  FolderReplacement& folders_;
  std::wstring packagePath_;
  base::ProgressCallback receiver_;
  const std::atomic<bool>& cancel_;
  std::function<void(const char*)> recordStep_;
  StepFailure& failure_;
};

// Moves the previous install aside and the fresh folder into its place. Undo: the
// other way round. Commit: the previous install is deleted.
class SwapInFolderItem : public WorkItem {
 public:
  SwapInFolderItem(FolderReplacement& folders, StepFailure& failure)
      : WorkItem("swap folder"), folders_(folders), failure_(failure) {}
  bool Do() override;
  void Rollback() override;
  void Commit() override;

 private:
  FolderReplacement& folders_;
  StepFailure& failure_;
};

// The product's shortcut set, the user's or the system's part of it. Undo: the
// desktop and menu entries as they were.
class CreateShortcutsItem : public WorkItem {
 public:
  CreateShortcutsItem(const FolderReplacement& folders, const install::PackageInfo& info, bool wantDesktopPair,
                      install::ShortcutScope scope, StepFailure& failure)
      : WorkItem("create shortcuts"),
        folders_(folders),
        info_(info),
        wantDesktopPair_(wantDesktopPair),
        scope_(scope),
        failure_(failure) {}
  bool Do() override;
  void Rollback() override;

 private:
  const FolderReplacement& folders_;
  const install::PackageInfo& info_;
  bool wantDesktopPair_;
  install::ShortcutScope scope_;
  StepFailure& failure_;
  install::FileSetSnapshot before_;
};

// The uninstall entry with "cfg_flag". Undo: the entry as it was, value for value.
class WriteUninstallEntryItem : public WorkItem {
 public:
  WriteUninstallEntryItem(const FolderReplacement& folders, const install::PackageInfo& info, DWORD installOptions,
                          bool silent, StepFailure& failure)
      : WorkItem("write uninstall entry"),
        folders_(folders),
        info_(info),
        installOptions_(installOptions),
        silent_(silent),
        failure_(failure) {}
  bool Do() override;
  void Rollback() override;

 private:
  const FolderReplacement& folders_;
  const install::PackageInfo& info_;
  DWORD installOptions_;
  bool silent_;
  StepFailure& failure_;
  install::UninstallEntrySnapshot before_;
};

}  // namespace setup
