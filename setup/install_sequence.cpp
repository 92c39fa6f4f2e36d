#include "setup/install_sequence.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "base/debug_switches.h"
#include "base/file_helpers.h"
#include "base/install_log.h"
#include "base/product_info.h"
#include "base/texts/project_text_ids.h"
#include "base/texts/ui_texts.h"
#include "install/package_errors.h"
#include "install/package_reader.h"
#include "install/product_processes.h"
#include "install/shortcuts.h"
#include "platform/clock.h"
#include "platform/folder_swap.h"
#include "platform/path.h"
#include "platform/text.h"
#include "setup/finish_web_page.h"
#include "setup/helper_protocol.h"
#include "setup/helper_step_item.h"
#include "setup/install_checks.h"
#include "setup/install_helper_client.h"
#include "setup/install_options.h"
#include "setup/install_params.h"
#include "setup/install_work_items.h"
#include "setup/new_install.h"
#include "setup/package_location.h"
#include "setup/package_manifest.h"
#include "setup/product_launch.h"
#include "telemetry/online_statistics.h"
#include "telemetry/report_values.h"

using base::WriteLog;

namespace setup {

namespace {

constexpr int kWaitPollMs = 1000;
constexpr int kCancelPollMs = 50;
constexpr int kSettleAfterDownloadMs = 2000;
constexpr int kAfterUnpackEventMs = 200;

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::string Narrow(const std::wstring& text) { return platform::WideToNarrow(text); }

std::string DownloadErrorText(int code, const std::string& text) {
  if (!text.empty()) return text;
  return code == 0 ? std::string() : std::to_string(code);
}

long long FileSize(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return 0;
  std::fseek(file, 0, SEEK_END);
  const long long size = std::ftell(file);
  std::fclose(file);
  return size > 0 ? size : 0;
}

}  // namespace

InstallSequence::InstallSequence(InstallRequest request, InstallHooks hooks)
    : request_(std::move(request)), hooks_(std::move(hooks)), packageInfo_(request_.packageInfo) {}

InstallSequence::~InstallSequence() = default;

InstallSnapshot InstallSequence::Snapshot() const {
  InstallSnapshot snapshot;
  snapshot.stage = stage_.load();
  snapshot.buttonState = buttonState_.load();
  snapshot.paintMode = paintMode_.load();
  snapshot.downloadPercent = downloadPercent_.load();
  snapshot.downloadFinished = downloadFinished_.load();
  snapshot.installPermille = installPermille_.load();
  snapshot.launchEnabled = launchEnabled_.load();
  snapshot.usingCdn = usingCdn_.load();
  snapshot.downloadStartTick = downloadStartTick_.load();
  snapshot.outcome = outcome_.load();
  snapshot.failure = failure_.load();
  return snapshot;
}

bool InstallSequence::GetDownloadInfo(download::DownloadInfo& out) {
  std::lock_guard<std::mutex> lock(mutex_);
  return pDownload && SUCCEEDED(pDownload->GetDownloadInfo(out));
}

std::wstring InstallSequence::InstallFolder() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return installFolder_;
}

install::PackageInfo InstallSequence::PackageInfoCopy() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return packageInfo_;
}

void InstallSequence::RequestCancel() {
  if (cancelRequested_.exchange(true)) return;
  WriteLog("Install sequence: stop requested.\n");
  std::lock_guard<std::mutex> lock(mutex_);
  if (helper_) helper_->Cancel();
}

bool InstallSequence::StartHelper(const std::wstring& packagePath, StepFailure& failure) {
  InstallHelperClient::StartResult why = InstallHelperClient::StartResult::kFailed;
  std::unique_ptr<InstallHelperClient> helper = InstallHelperClient::Start(&why);
  if (!helper) {
    failure.failure = why == InstallHelperClient::StartResult::kRefused ? InstallFailure::kNotAuthorized
                                                                        : InstallFailure::kHelperLost;
    return false;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    helper_ = std::move(helper);
  }
  // The helper installs from its own copy of these bytes, checked against the manifest.
  const int package = ::open(Narrow(packagePath).c_str(), O_RDONLY | O_CLOEXEC);
  const HelperResult received = helper_->Call(
      HelperMessage::kReceivePackage, MessageWriter().Number(request_.packageInfo.is64Bit ? 1 : 0).Bytes(), package);
  if (package >= 0) ::close(package);
  if (!received.ok) failure.failure = static_cast<InstallFailure>(received.failure);
  return received.ok;
}

void InstallSequence::EndHelper() {
  std::unique_ptr<InstallHelperClient> helper;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    helper = std::move(helper_);
  }
  if (helper) helper->End();
}

bool InstallSequence::SleepUnlessCancelled(int ms) {
  for (int slept = 0; slept < ms; slept += kCancelPollMs) {
    if (cancelRequested_) return false;
    Sleep(kCancelPollMs);
  }
  return !cancelRequested_;
}

void InstallSequence::RecordStep(const char* name) {
  if (hooks_.recordStep) hooks_.recordStep(name);
}

void InstallSequence::NotifyStateChanged() {
  if (hooks_.onStateChanged) hooks_.onStateChanged(Snapshot());
}

void InstallSequence::SetButtonState(InstallState state) {
  buttonState_ = state;
  NotifyStateChanged();
}

void InstallSequence::SetOutcome(InstallOutcome outcome, InstallFailure failure) {
  failure_ = failure;
  outcome_ = outcome;
  if (failure != InstallFailure::kNone) WriteLog("Install ended: %s.\n", InstallFailureReason(failure));
  NotifyStateChanged();
}

int InstallSequence::OnDownloadEvent(base::DownloadEvent event, unsigned code, long value) {
  switch (event) {
    case base::kDownloadEventProgress:
      if (value > 0) downloadPercent_ = static_cast<int>(static_cast<double>(code) * 100.0 / value);
      break;
    case base::kDownloadEventFailed: GetCloseReportFlags().downloadDone = true; break;
    case base::kDownloadEventFinished:
      downloadFinished_ = true;
      if (value == 1) alreadyComplete_ = true;
      GetCloseReportFlags().downloadDone = true;
      break;
    case base::kDownloadEventSegmentEnded: break;
  }
  return 1;
}

int InstallSequence::OnInstallEvent(base::InstallEvent event, unsigned code, long /*value*/) {
  switch (event) {
    case base::kInstallEventUnpackStart: installPermille_ = 0; break;
    case base::kInstallEventUnpackDone:
      installPermille_ = 1000;
      launchEnabled_ = true;
      Sleep(kAfterUnpackEventMs);
      paintMode_ = 2;
      break;
    case base::kInstallEventUnpackFailed:
      // The box comes once the failed install has been rolled back.
      launchEnabled_ = false;
      Sleep(kAfterUnpackEventMs);
      break;
    case base::kInstallEventPermille:
      if (code <= 1000) installPermille_ = static_cast<int>(code);
      break;
    case base::kInstallEventExtractPercent: installPermille_ = static_cast<int>(code) * 10; break;
    case base::kInstallEventExtractError: break;
  }
  return 1;
}

void InstallSequence::Run() {
  if (hooks_.statistics) hooks_.statistics->MarkStarted();
  DownloadPhase();
}

bool InstallSequence::DownloadSpaceAvailable(const std::string& manifest, const std::wstring& packagePath) {
  const std::string path = Narrow(packagePath);
  std::string folder = path;
  platform::PathRemoveFileSpec(folder);
  if (!platform::PathIsDirectory(folder) || !platform::FolderAcceptsWrites(folder)) {
    WriteLog("Download folder %s cannot be written.", folder.c_str());
    EndDownloadFailed(InstallFailure::kDownloadsNotWritable);
    return false;
  }
  // What is already there of an interrupted download counts.
  const long long needed = ManifestPackageSize(manifest) - FileSize(path);
  const long long free = platform::FreeBytesAt(folder);
  if (needed > 0 && free >= 0 && free < needed) {
    WriteLog("Not enough space for the download in %s: %lld MB free, %lld MB needed.", folder.c_str(),
             free / (1024 * 1024), needed / (1024 * 1024) + 1);
    EndDownloadFailed(InstallFailure::kNoSpaceForDownload);
    return false;
  }
  return true;
}

void InstallSequence::EndDownloadFailed(InstallFailure failure) {
  buttonState_ = kInstallRetry;
  SetOutcome(InstallOutcome::kDownloadFailed, failure);
}

void InstallSequence::EndCancelled() {
  WriteLog("Install sequence stopped: the installer is closing.\n");
  SetOutcome(InstallOutcome::kCancelled, InstallFailure::kNone);
}

void InstallSequence::DownloadPhase() {
  stage_ = kStageDownloading;
  NotifyStateChanged();
  RecordStep(telemetry::install_step::kDownload);
  const std::shared_ptr<base::IProductInfo> profile = base::GetProductInfo();
  const std::string versionText = request_.versionText ? request_.versionText() : std::string();
  const std::wstring packagePathWide = PackageDownloadPath(profile->GetPackageBaseName(), versionText);
  const std::string packagePath = Narrow(packagePathWide);

  download::IDownloader* downloader = nullptr;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (download::CreateDownloader(&downloader)) pDownload.reset(downloader);
  }
  if (!downloader || packagePath.empty()) {
    WriteLog("SetupDlg::DoInstall pDownload = NULL.\n");
    EndDownloadFailed(InstallFailure::kNoDownloader);
    return;
  }
  if (hooks_.statistics) hooks_.statistics->DownloadBegin();
  // Reset once, before the engine starts: an intact package already on disk is
  // reported at once, and a later reset would lose that report.
  GetCloseReportFlags().downloadDone = false;
  downloadPercent_ = 0;

  std::string url = profile->GetUrl();
  if (base::IsSetupTestMode()) url += ".test";
  downloader->SetCallback(base::ReceiveDecoded<base::DownloadEvent>(
      [this](base::DownloadEvent event, unsigned code, long value) { return OnDownloadEvent(event, code, value); }));

  std::string manifest;
  if (!LoadPackageManifest(request_.packageInfo.is64Bit != 0, manifest)) {
    WriteLog("Download manifest (%s) is missing from the program's resources.\n",
             request_.packageInfo.is64Bit ? "x64" : "x86");
    EndDownloadFailed(InstallFailure::kNoManifest);
    return;
  }
  if (!DownloadSpaceAvailable(manifest, packagePathWide)) return;
  downloader->DownloadByConfigData(manifest.data(), manifest.size(), packagePath);
  WriteLog("Url : %s\n", url.c_str());
  const std::uint32_t startTick = platform::GetTickCount();
  downloadStartTick_ = startTick;

  while (!cancelRequested_ && (downloader->IsDownloading() || !GetCloseReportFlags().downloadDone)) {
    usingCdn_ = downloader->IsUsingCdn();
    SleepUnlessCancelled(kWaitPollMs);
  }
  const auto stopDownloader = [&] {
    std::lock_guard<std::mutex> lock(mutex_);
    downloader->StopDownload();
    pDownload.reset();
  };
  if (cancelRequested_) {
    WriteLog("Download stopped: the installer is closing.\n");
    stopDownloader();
    EndCancelled();
    return;
  }

  downloadSeconds_ = (platform::GetTickCount() - startTick) / 1000;
  // A close in the settle time ends the run before the install folder is touched.
  const bool settled = SleepUnlessCancelled(kSettleAfterDownloadMs);
  if (alreadyComplete_) downloadSeconds_ = 1;

  const int status = downloader->GetStatus();
  WriteLog("Download Finish Result : %s(%d).\n", status == download::kDownloadStatusFinished ? "succeed" : "failed",
           status);
  const int errorCode = downloader->GetErrorCode();
  const std::string errorText = downloader->GetErrorString();
  if (hooks_.statistics) {
    hooks_.statistics->DownloadEnd(status == download::kDownloadStatusFinished,
                                   DownloadErrorText(errorCode, errorText));
  }
  usingCdn_ = downloader->IsUsingCdn();
  stopDownloader();

  const std::string configPath = packagePath + ".cfg";
  if (platform::PathFileExists(configPath)) std::remove(configPath.c_str());

  if (!settled) {
    EndCancelled();
    return;
  }
  if (platform::PathFileExists(packagePath) && status == download::kDownloadStatusFinished) {
    WriteLog("Begin install...\n");
    paintMode_ = 1;
    SetButtonState(kInstallOnInstall);
    InstallPhase(packagePathWide);
    return;
  }
  if (status == download::kDownloadStatusNeedUpdate) {
    WriteLog("Download Failed. App need update.\n");
    if (hooks_.onFailure) hooks_.onFailure(InstallFailure::kNeedsUpdate, base::GetText(42));
    EndDownloadFailed(InstallFailure::kNeedsUpdate);
    return;
  }
  WriteLog("Download Failed. Show retry.\n");
  EndDownloadFailed(InstallFailure::kDownload);
}

void InstallSequence::InstallPhase(const std::wstring& packagePath) {
  stage_ = kStageInstalling;
  NotifyStateChanged();
  if (hooks_.statistics) hooks_.statistics->InstallBegin();
  const base::ProgressCallback receiver = base::ReceiveDecoded<base::InstallEvent>(
      [this](base::InstallEvent event, unsigned code, long value) { return OnInstallEvent(event, code, value); });

  // The steps read and fill these as the list runs.
  install::PackageInfo& info = packageInfo_;  // written only here, on the worker
  FolderReplacement folders;
  StepFailure failure;
  bool hasOldVersion = false;
  bool unpackReported = false;  // the unpack's begin was reported and its end not yet
  int newFlag = 0;
  std::string installId;
  bool webPageResult = false;

  WorkItemList list;
  list.AddAction("read package info", [&] {
    WriteLog("Do Install File : %s", Narrow(packagePath).c_str());
    install::PackageInfo read = PackageInfoCopy();
    install::ReadPackageInfo(packagePath.c_str(), &read);
    std::lock_guard<std::mutex> lock(mutex_);
    info = read;
  });
  list.AddAction("report read info", [&] { RecordStep(telemetry::install_step::kReadInfo); });
  list.Add(
      std::make_unique<CallbackWorkItem>("start install helper", [&] { return StartHelper(packagePath, failure); }));
  list.Add(std::make_unique<HelperStepItem>(
      "close product programs", helper_, HelperMessage::kCloseProcesses,
      [this] { return MessageWriter().Text(Narrow(request_.installPath)).Bytes(); }, failure));
  list.AddAction("choose install folder", [&] {
    std::wstring folder = request_.installPath;
    // A folder the helper is yet to make does not exist here.
    if (folder.empty() || (!platform::PathFileExists(folder) && InstallFoldersAreMadeHere())) {
      install::GetDefaultInstallFolder(folder, platform::NarrowToWide(install::PackageInfoText(info.productKeyName)),
                                       false, info.is64Bit);
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      installFolder_ = folder;
    }
    folders.target = Narrow(folder);
    WriteLog("Install Path : %s", folders.target.c_str());
    hasOldVersion = platform::PathFileExists(platform::PathJoin(folder, L"uninstall.exe"));
    newFlag = IsNewInstall(hasOldVersion, info);
  });
  const auto targetField = [&] { return MessageWriter().Text(folders.target).Bytes(); };
  list.Add(std::make_unique<HelperStepItem>("close product programs", helper_, HelperMessage::kCloseProcesses,
                                            targetField, failure));
  list.AddAction("begin unpack", [&] {
    WriteLog("Begin depack file.\n");
    // The previous install is not deleted here any more: it is replaced as a whole
    // once the new one is complete, and stays when anything fails.
    WriteLog("Begin delete file.(%s)", folders.target.c_str());
  });
  list.Add(
      std::make_unique<HelperStepItem>("prepare folder", helper_, HelperMessage::kPrepareFolder, targetField, failure));
  list.AddAction("end of preparation", [] { WriteLog("End delete file."); });
  list.AddAction("report unpack begin", [&] {
    RecordStep(telemetry::install_step::kInstallBegin);
    unpackReported = true;
  });
  list.Add(std::make_unique<HelperStepItem>("unpack", helper_, HelperMessage::kExtract, nullptr, failure, receiver));
  list.AddAction("report unpack end", [&] {
    RecordStep(telemetry::install_step::kInstallEnd);
    unpackReported = false;
  });
  list.Add(std::make_unique<HelperStepItem>("swap folder", helper_, HelperMessage::kSwapFolder, nullptr, failure));
  list.Add(std::make_unique<CreateShortcutsItem>(folders, info, WantsDesktopShortcuts(request_.installOptions),
                                                 install::ShortcutScope::kUser, failure));
  list.Add(std::make_unique<HelperStepItem>("create system shortcuts", helper_, HelperMessage::kSystemShortcuts,
                                            nullptr, failure));
  list.AddAction("report shortcuts", [&] {
    RecordStep(telemetry::install_step::kCreateShortcuts);
    install::RefreshProductIcons();
  });
  list.AddAction("thank-you page", [&] {
    installId = MakeInstallId();
    webPageResult = ShowFinishWebPage(newFlag, hasOldVersion, false, info, installId) != 0;
    WriteLog("New : %d, Has old version : %d, MiniMode : %d\n", newFlag, hasOldVersion ? 1 : 0, 0);
  });
  list.AddAction("run repair program", [&] {
    WriteLog("Run VexRepair.exe");
    RecordStep(telemetry::install_step::kRunRepair);
    helper_->Call(HelperMessage::kRunElevated,
                  MessageWriter().Number(static_cast<std::int64_t>(HelperProgram::kRepair)).Text({}).Bytes());
  });
  list.AddAction("run main program", [&] {
    WriteLog("Run MainExe.exe /install");
    RecordStep(telemetry::install_step::kRunApp);
    InstallParamsInput params;
    params.joinTicked = request_.joinProgramme;
    params.installId = installId;
    params.newInstall = newFlag != 0;
    params.installerPath = platform::NarrowToWide(platform::GetModuleFileName());
    params.downloadSeconds = downloadSeconds_;
    const std::string line = Narrow(BuildInstallParams(params));
    helper_->Call(
        HelperMessage::kRunElevated,
        MessageWriter().Number(static_cast<std::int64_t>(HelperProgram::kMainInstallMode)).Text(line).Bytes());
    WriteLog("UpdateCtrlStatus(AfterInstall)");
  });
  list.Add(std::make_unique<HelperStepItem>(
      "write uninstall entry", helper_, HelperMessage::kWriteEntry,
      [this] { return MessageWriter().Number(request_.installOptions).Number(request_.silent ? 1 : 0).Bytes(); },
      failure));

  const WorkListResult result = list.Run([this] { return cancelRequested_.load(); });
  if (result == WorkListResult::kDone) list.Commit();
  EndHelper();
  if (result == WorkListResult::kCancelled) {
    EndCancelled();
    return;
  }
  if (result == WorkListResult::kFailed) {
    // An unpack that failed has ended all the same: its end comes before the failure.
    if (unpackReported) RecordStep(telemetry::install_step::kInstallEnd);
    EndInstallFailed(failure.failure == InstallFailure::kNone ? InstallFailure::kExtraction : failure.failure);
    return;
  }
  paintMode_ = 3;
  stage_ = kStageDone;
  buttonState_ = kInstallAfterInstall;
  SetOutcome(InstallOutcome::kInstalled, InstallFailure::kNone);
  RecordStep(telemetry::install_step::kInstallFinish);
  if (hooks_.statistics) hooks_.statistics->InstallEnd(true, install::GetLastInstallErrorName(), webPageResult);
  WriteLog("Finish(AfterInstall)");
}

void InstallSequence::EndInstallFailed(InstallFailure failure) {
  launchEnabled_ = false;
  std::wstring text = L"Install Failed!";
  if (const int id = InstallFailureTextId(failure)) text += std::wstring(L"\n\n") + base::GetText(id);
  if (hooks_.onFailure) hooks_.onFailure(failure, text);
  RecordStep(telemetry::install_step::kInstallFail);
  if (hooks_.statistics) hooks_.statistics->InstallEnd(false, install::GetLastInstallErrorName(), false);
  stage_ = kStageDone;
  buttonState_ = kInstallAfterInstall;
  SetOutcome(InstallOutcome::kInstallFailed, failure);
}

const char* InstallFailureReason(InstallFailure failure) {
  switch (failure) {
    case InstallFailure::kNone: return "no failure";
    case InstallFailure::kNoManifest: return "the download manifest is missing from the program";
    case InstallFailure::kNoDownloader: return "the download could not be started";
    case InstallFailure::kDownloadsNotWritable: return "the Downloads folder cannot be written to";
    case InstallFailure::kNoSpaceForDownload: return "there is not enough free space for the download";
    case InstallFailure::kDownload: return "the download failed";
    case InstallFailure::kNeedsUpdate: return "this installer is out of date";
    case InstallFailure::kNoSpaceForProduct: return "there is not enough free space for the product";
    case InstallFailure::kFolderNotWritable: return "the installation folder cannot be written to";
    case InstallFailure::kFolderNotOurs: return "the installation folder holds files that are not this product's";
    case InstallFailure::kExtraction: return "the package could not be unpacked; nothing was changed";
    case InstallFailure::kDiskFull: return "the disk filled up during the installation; nothing was changed";
    case InstallFailure::kShortcuts: return "the desktop entries could not be written; nothing was changed";
    case InstallFailure::kRegistration: return "the product could not be registered; nothing was changed";
    case InstallFailure::kSwap: return "the new installation could not be put in place; nothing was changed";
    case InstallFailure::kNotAuthorized: return "administrator rights were not granted; nothing was changed";
    case InstallFailure::kPackageNotVerified:
      return "the package handed to the installer is not the verified download; nothing was changed";
    case InstallFailure::kHelperLost: return "the installer's privileged part ended unexpectedly";
  }
  return "unknown failure";
}

int InstallFailureTextId(InstallFailure failure) {
  switch (failure) {
    case InstallFailure::kDownloadsNotWritable: return base::kTextDownloadsNotWritable;
    case InstallFailure::kFolderNotWritable: return base::kTextFolderNotWritable;
    case InstallFailure::kNoSpaceForDownload: return base::kTextNoSpaceForDownload;
    case InstallFailure::kNoSpaceForProduct: return base::kTextNoSpaceForProduct;
    case InstallFailure::kFolderNotOurs: return base::kTextFolderNotOurs;
    case InstallFailure::kDiskFull: return base::kTextDiskFilled;
    case InstallFailure::kExtraction:
    case InstallFailure::kShortcuts:
    case InstallFailure::kRegistration:
    case InstallFailure::kSwap:
    case InstallFailure::kPackageNotVerified:
    case InstallFailure::kHelperLost: return base::kTextInstallFailedNothingChanged;
    case InstallFailure::kNotAuthorized: return base::kTextNoAdministratorRights;
    default: return 0;
  }
}

}  // namespace setup
