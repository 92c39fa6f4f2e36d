#include "setup/install_helper.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "base/file_helpers.h"
#include "base/install_log.h"
#include "base/product_info.h"
#include "download/md5_digest.h"
#include "install/install_folder_guard.h"
#include "install/package_reader.h"
#include "install/product_processes.h"
#include "install/uninstall_work.h"
#include "platform/creation_mask.h"
#include "platform/file_range_copy.h"
#include "platform/folder_tree.h"
#include "platform/folder_trust.h"
#include "platform/instance_lock.h"
#include "platform/known_folders.h"
#include "platform/path.h"
#include "platform/text.h"
#include "setup/helper_protocol.h"
#include "setup/install_work_items.h"
#include "setup/package_manifest.h"
#include "setup/polkit_action.h"
#include "setup/product_launch.h"
#include "setup/run_preparation.h"

using base::WriteLog;

namespace setup {

namespace {

// The helper's log lines go to the dialog, which writes them into its log. The log
// takes a plain function, so the channel it forwards to is kept here for the run.
platform::FramedChannel* g_logChannel = nullptr;

int ForwardLogLine(const char* text) {
  if (g_logChannel)
    g_logChannel->Send(static_cast<std::uint16_t>(HelperMessage::kLog), MessageWriter().Text(text).Bytes());
  return 1;
}

// Requests arrive on a reader thread, so that a cancel reaches a running unpack.
class RequestQueue {
 public:
  explicit RequestQueue(platform::FramedChannel& channel) : channel_(channel) {
    reader_ = std::thread([this] { ReadAll(); });
  }
  ~RequestQueue() {
    channel_.Shutdown();
    reader_.join();
  }
  // The next request; empty once the dialog has gone.
  std::optional<platform::Frame> Next() {
    std::unique_lock<std::mutex> lock(mutex_);
    ready_.wait(lock, [this] { return !frames_.empty() || closed_; });
    if (frames_.empty()) return std::nullopt;
    platform::Frame frame = std::move(frames_.front());
    frames_.pop_front();
    return frame;
  }
  const std::atomic<bool>& Cancelled() const { return cancelled_; }
  void ClearCancel() { cancelled_ = false; }

 private:
  void ReadAll() {
    while (auto frame = channel_.Receive()) {
      if (frame->kind == static_cast<std::uint16_t>(HelperMessage::kCancel)) {
        cancelled_ = true;
        continue;
      }
      std::lock_guard<std::mutex> lock(mutex_);
      frames_.push_back(std::move(*frame));
      ready_.notify_one();
    }
    cancelled_ = true;
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    ready_.notify_one();
  }

  platform::FramedChannel& channel_;
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<platform::Frame> frames_;
  bool closed_ = false;
  std::atomic<bool> cancelled_{false};
  std::thread reader_;
};

std::wstring Wide(const std::string& text) { return platform::NarrowToWide(text); }

HelperResult Failed(InstallFailure failure) {
  HelperResult result;
  result.failure = static_cast<std::uint32_t>(failure);
  return result;
}

class HelperSession {
 public:
  explicit HelperSession(platform::FramedChannel& channel) : channel_(channel), queue_(channel) {}
  ~HelperSession() {
    // Whatever the dialog did not commit is undone, newest first.
    for (auto step = steps_.rbegin(); step != steps_.rend(); ++step) step->second->Rollback();
    if (!packageFolder_.empty()) platform::DeleteFolderTree(packageFolder_ + "/", platform::ReadOnlyFiles::kDelete);
  }

  void Serve() {
    while (auto request = queue_.Next()) {
      const auto kind = static_cast<HelperMessage>(request->kind);
      if (kind == HelperMessage::kEnd) {
        Reply(HelperResult{true});
        return;
      }
      queue_.ClearCancel();
      const HelperResult result = Handle(kind, *request);
      if (request->descriptor >= 0) ::close(request->descriptor);
      Reply(result);
    }
  }

 private:
  void Reply(const HelperResult& result) {
    channel_.Send(static_cast<std::uint16_t>(HelperMessage::kResult), EncodeResult(result));
  }

  // Progress of a running step, handed on to the dialog as it comes.
  base::ProgressCallback ForwardEvents() {
    return [this](int event, unsigned code, long value) {
      channel_.Send(static_cast<std::uint16_t>(HelperMessage::kEvent),
                    MessageWriter().Number(event).Number(code).Number(value).Bytes());
      return 1;
    };
  }

  std::uint32_t Keep(std::unique_ptr<WorkItem> step) {
    const std::uint32_t id = nextStep_++;
    steps_[id] = std::move(step);
    return id;
  }

  // Runs a step that can be undone; kept until the dialog commits or rolls it back.
  HelperResult Do(std::unique_ptr<WorkItem> step) {
    failure_ = StepFailure{};
    if (!step->Do())
      return Failed(failure_.failure == InstallFailure::kNone ? InstallFailure::kExtraction : failure_.failure);
    HelperResult result{true};
    result.step = Keep(std::move(step));
    return result;
  }

  HelperResult Handle(HelperMessage kind, platform::Frame& request) {
    MessageReader fields(request.payload);
    switch (kind) {
      case HelperMessage::kReceivePackage: return ReceivePackage(request.descriptor, fields.Number() != 0);
      case HelperMessage::kCloseProcesses: {
        // Only programs inside a folder root may act in; a home or system folder is none.
        const std::string folder = fields.Text();
        if (!fields.Failed() && platform::JudgeFolderTrust(folder) == platform::FolderTrust::kTrusted &&
            install::CheckFolderMayBeDeleted(folder) == install::FolderVerdict::kMayDelete) {
          install::CloseProductProcesses(folder);
        }
        return HelperResult{true};
      }
      case HelperMessage::kPrepareFolder: {
        if (packageCopy_.empty()) return Failed(InstallFailure::kPackageNotVerified);
        folders_ = FolderReplacement{};
        folders_.target = fields.Text();
        if (fields.Failed() || folders_.target.empty() || folders_.target[0] != '/')
          return Failed(InstallFailure::kFolderNotOurs);
        return Do(std::make_unique<PrepareFreshFolderItem>(folders_, info_, Wide(packageCopy_), failure_));
      }
      case HelperMessage::kExtract: {
        if (folders_.fresh.empty()) return Failed(InstallFailure::kExtraction);
        return Do(std::make_unique<ExtractPackageItem>(folders_, Wide(packageCopy_), ForwardEvents(),
                                                       queue_.Cancelled(), nullptr, failure_));
      }
      case HelperMessage::kSwapFolder:
        if (folders_.fresh.empty()) return Failed(InstallFailure::kSwap);
        return Do(std::make_unique<SwapInFolderItem>(folders_, failure_));
      case HelperMessage::kSystemShortcuts:
        if (folders_.target.empty()) return Failed(InstallFailure::kShortcuts);
        return Do(
            std::make_unique<CreateShortcutsItem>(folders_, info_, false, install::ShortcutScope::kSystem, failure_));
      case HelperMessage::kWriteEntry: {
        const auto options = static_cast<DWORD>(fields.Number());
        const bool silent = fields.Number() != 0;
        if (folders_.target.empty()) return Failed(InstallFailure::kRegistration);
        return Do(std::make_unique<WriteUninstallEntryItem>(folders_, info_, options, silent, failure_));
      }
      case HelperMessage::kRunElevated: {
        const auto program = static_cast<HelperProgram>(fields.Number());
        const std::string parameters = fields.Text();
        return RunElevated(program, parameters);
      }
      case HelperMessage::kRemove: return Remove(fields);
      case HelperMessage::kRollback:
      case HelperMessage::kCommit: {
        const auto found = steps_.find(static_cast<std::uint32_t>(fields.Number()));
        if (found == steps_.end()) return HelperResult{};
        if (kind == HelperMessage::kRollback)
          found->second->Rollback();
        else
          found->second->Commit();
        steps_.erase(found);
        return HelperResult{true};
      }
      default: WriteLog("Install helper: request %u is not understood.", request.kind); return HelperResult{};
    }
  }

  // The package arrives as an open file: it is copied where only root can change it,
  // and that copy is what is checked and installed.
  HelperResult ReceivePackage(int descriptor, bool is64Bit) {
    struct stat st {};
    if (descriptor < 0 || ::fstat(descriptor, &st) != 0 || !S_ISREG(st.st_mode)) {
      WriteLog("Install helper: no package file was handed over.");
      return Failed(InstallFailure::kPackageNotVerified);
    }
    std::string manifest;
    if (!LoadPackageManifest(is64Bit, manifest)) return Failed(InstallFailure::kPackageNotVerified);
    const std::string expected = ManifestPackageDigest(manifest);
    const long long expectedSize = ManifestPackageSize(manifest);
    if (expected.empty() || expectedSize <= 0 || st.st_size != expectedSize) {
      WriteLog("Install helper: the package is %lld bytes, the manifest announces %lld.",
               static_cast<long long>(st.st_size), expectedSize);
      return Failed(InstallFailure::kPackageNotVerified);
    }
    if (packageFolder_.empty()) {
      const std::string parent = platform::SystemPath("/var/lib/corvex");
      base::CreateFolderChain(Wide(parent));
      std::string pattern = parent + "/package-XXXXXX";
      if (!::mkdtemp(pattern.data())) {
        WriteLog("Install helper: no private folder for the package in %s.", parent.c_str());
        return Failed(InstallFailure::kFolderNotWritable);
      }
      packageFolder_ = pattern;
    }
    const std::string copy = packageFolder_ + "/package.exe";
    std::remove(copy.c_str());
    std::FILE* source = ::fdopen(::dup(descriptor), "rb");
    const platform::RangeCopyResult copied =
        source ? platform::CopyRangeToNewFile(source, 0, static_cast<std::uint64_t>(st.st_size), copy)
               : platform::RangeCopyResult::OutsideSource;
    if (source) std::fclose(source);
    if (copied != platform::RangeCopyResult::Copied) {
      WriteLog("Install helper: the package could not be copied into %s.", packageFolder_.c_str());
      std::remove(copy.c_str());
      return Failed(copied == platform::RangeCopyResult::ShortCopy ? InstallFailure::kDiskFull
                                                                   : InstallFailure::kPackageNotVerified);
    }
    unsigned char digest[download::kMd5Size];
    if (!download::Md5File(copy, digest) || download::DigestToHex(digest) != expected) {
      WriteLog("Install helper: the package handed over does not match the manifest's digest; nothing is installed.");
      std::remove(copy.c_str());
      return Failed(InstallFailure::kPackageNotVerified);
    }
    packageCopy_ = copy;
    info_ = PackageInfoFromProfile(*base::GetProductInfo());
    install::ReadPackageInfo(Wide(packageCopy_).c_str(), &info_);
    WriteLog("Install helper: package verified (%s).", expected.c_str());
    return HelperResult{true};
  }

  HelperResult RunElevated(HelperProgram program, const std::string& parameters) {
    if (folders_.target.empty()) return HelperResult{};
    const std::wstring folder = Wide(folders_.target);
    ProgramRunResult run;
    switch (program) {
      case HelperProgram::kRepair: run = RunRepairProgram(folder); break;
      case HelperProgram::kMainInstallMode:
        run = RunMainProgramInstallMode(folder, info_.is64Bit != 0, Wide(parameters));
        break;
      default: return HelperResult{};
    }
    HelperResult result{true};
    result.value = run.exitCode;
    return result;
  }

  HelperResult Remove(MessageReader& fields) {
    install::UninstallRequest request;
    request.installFolder = fields.Text();
    request.productKeyName = fields.Text();
    request.is64Bit = fields.Number() != 0;
    request.keepConfigurations = fields.Number() != 0;
    request.mainProgramWaitMs = static_cast<int>(fields.Number());
    if (fields.Failed()) return HelperResult{};
    const install::UninstallResult removed = install::RemoveInstallation(request, ForwardEvents());
    HelperResult result{removed.outcome == install::UninstallOutcome::kRemoved};
    result.value = static_cast<std::int64_t>(removed.outcome);
    result.failure = static_cast<std::uint32_t>(removed.verdict);
    return result;
  }

  platform::FramedChannel& channel_;
  RequestQueue queue_;
  std::string packageFolder_;
  std::string packageCopy_;
  install::PackageInfo info_{};
  FolderReplacement folders_;
  StepFailure failure_;
  std::map<std::uint32_t, std::unique_ptr<WorkItem>> steps_;
  std::uint32_t nextStep_ = 1;
};

}  // namespace

int RunInstallHelper(platform::FramedChannel& channel) {
  platform::KeepNewFilesUnwritableByOthers();
  g_logChannel = &channel;
  base::GetLog()->Init(L"");
  base::GetLog()->SetLogCallback(&ForwardLogLine);
  // So that a desktop user's later runs can take the lock that keeps installers apart.
  platform::CreateLockFile(platform::SetupLockPath());
  // From the next run on, the administrator is asked about this product by name.
  InstallPolkitAction(platform::GetModuleFileName());
  {
    // The first answer tells the dialog that the helper runs (rights granted).
    channel.Send(static_cast<std::uint16_t>(HelperMessage::kResult), EncodeResult(HelperResult{true}));
    HelperSession session(channel);
    session.Serve();
  }
  base::GetLog()->SetLogCallback(nullptr);
  g_logChannel = nullptr;
  return 0;
}

int RunInstallHelperProcess() {
  for (const int sig : {SIGINT, SIGTERM, SIGHUP}) std::signal(sig, SIG_IGN);
  platform::FramedChannel channel(STDIN_FILENO, STDOUT_FILENO);
  return RunInstallHelper(channel);
}

}  // namespace setup
