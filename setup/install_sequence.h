// The install sequence as a transaction, apart from any window: the download phase
// fetches the setup package; the install phase is a list of work items that unpacks
// into a fresh folder, swaps it in, makes the shortcuts, runs the product's install
// step and registers it — or, when a step fails or a close stops it, rolls back to
// the machine as it was. The dialog and the silent run both drive it the same way:
// they start Run on a worker, read Snapshot, and are told of every change.
//
// Threads: Run on the install worker; the download receiver on the download engine's
// threads; Snapshot, GetDownloadInfo and RequestCancel from any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "base/progress_events.h"
#include "download/downloader.h"
#include "install/package_info.h"
#include "platform/win_types.h"
#include "setup/install_state.h"

namespace telemetry {
class OnlineStatistics;
}  // namespace telemetry

namespace setup {

class InstallHelperClient;
struct StepFailure;

// Everything the sequence shows, in one value.
struct InstallSnapshot {
  InstallStage stage = kStageReady;
  InstallState buttonState = kInstallReady;  // `eInstall`
  int paintMode = 0;
  int downloadPercent = 0;
  bool downloadFinished = false;
  int installPermille = 0;
  bool launchEnabled = true;
  bool usingCdn = false;
  std::uint32_t downloadStartTick = 0;
  InstallOutcome outcome = InstallOutcome::kRunning;
  InstallFailure failure = InstallFailure::kNone;
};

// What the click (or the silent run) hands the sequence.
struct InstallRequest {
  install::PackageInfo packageInfo{};  // the profile's values until the package's own block replaces them
  std::wstring installPath;            // `installPathW` after the install checks
  DWORD installOptions = 0xFFFFFFFF;
  bool joinProgramme = false;  // the programme box is ticked
  bool silent = false;
  std::function<std::string()> versionText;  // names the package file
};

// How the sequence reaches its owner. Every member may be empty.
struct InstallHooks {
  std::shared_ptr<telemetry::OnlineStatistics> statistics;
  std::function<void(const char* step)> recordStep;
  // After every change of stage, button state or outcome; install worker.
  std::function<void(const InstallSnapshot&)> onStateChanged;
  // A failure the user must be told of (a box in the dialog); returns when told.
  std::function<void(InstallFailure failure, const std::wstring& text)> onFailure;
};

class InstallSequence {
 public:
  InstallSequence(InstallRequest request, InstallHooks hooks);
  ~InstallSequence();
  InstallSequence(const InstallSequence&) = delete;
  InstallSequence& operator=(const InstallSequence&) = delete;

  // `DoInstall`: the download phase, then the install phase; returns when the run ended.
  void Run();
  // A close: the download stops, an install phase rolls back. Run still returns normally.
  void RequestCancel();
  // The same from a signal handler: only the lock-free flag is touched.
  void RequestCancelFromSignal() noexcept { cancelRequested_.store(true); }

  InstallSnapshot Snapshot() const;
  // The running download's progress; false between downloads.
  bool GetDownloadInfo(download::DownloadInfo& out);
  // The install folder the product went to (empty before the install phase chose it).
  std::wstring InstallFolder() const;
  // The package's info block once read (the profile's values before).
  install::PackageInfo PackageInfoCopy() const;

  // The frame producer's idle frame starts the reveal again.
  void ResetInstallProgress() { installPermille_ = 0; }

  // The download receiver (engine threads) and the install receiver (worker).
  int OnDownloadEvent(base::DownloadEvent event, unsigned code, long value);
  int OnInstallEvent(base::InstallEvent event, unsigned code, long value);

 private:
  void DownloadPhase();
  // Starts the install helper and hands it the package; false with the reason set.
  bool StartHelper(const std::wstring& packagePath, StepFailure& failure);
  // Ends the helper's part: what it did and was not committed is rolled back.
  void EndHelper();
  void InstallPhase(const std::wstring& packagePath);
  bool DownloadSpaceAvailable(const std::string& manifest, const std::wstring& packagePath);
  void EndDownloadFailed(InstallFailure failure);
  void EndInstallFailed(InstallFailure failure);
  void EndCancelled();
  void SetButtonState(InstallState state);
  void SetOutcome(InstallOutcome outcome, InstallFailure failure);
  void NotifyStateChanged();
  void RecordStep(const char* name);
  // Sleeps in short slices; false when a cancel came meanwhile.
  bool SleepUnlessCancelled(int ms);

  const InstallRequest request_;
  const InstallHooks hooks_;

  std::atomic<InstallStage> stage_{kStageReady};
  std::atomic<InstallState> buttonState_{kInstallOnInstall};
  std::atomic<int> paintMode_{0};
  std::atomic<int> downloadPercent_{0};
  std::atomic<bool> downloadFinished_{false};
  std::atomic<int> installPermille_{0};
  std::atomic<bool> launchEnabled_{true};
  std::atomic<bool> usingCdn_{false};
  std::atomic<bool> alreadyComplete_{false};
  std::atomic<bool> cancelRequested_{false};
  std::atomic<std::uint32_t> downloadStartTick_{0};
  std::atomic<std::uint32_t> downloadSeconds_{0};
  std::atomic<InstallOutcome> outcome_{InstallOutcome::kRunning};
  std::atomic<InstallFailure> failure_{InstallFailure::kNone};

  mutable std::mutex mutex_;  // guards the members below
  std::unique_ptr<download::IDownloader> pDownload;
  install::PackageInfo packageInfo_{};
  std::wstring installFolder_;
  // Written on the worker under mutex_; read there without it and by RequestCancel with it.
  std::unique_ptr<InstallHelperClient> helper_;
};

// The English reason of a failure, for log and stderr lines.
const char* InstallFailureReason(InstallFailure failure);
// The UI text that explains a failure to the user (0: none of its own).
int InstallFailureTextId(InstallFailure failure);

}  // namespace setup
