// The install sequence of the setup dialog: the download phase fetches the setup
// package, the install phase unpacks, registers and starts the product. Runs on the
// install worker; the download receiver runs on the download engine's threads.
#include <chrono>
#include <cstdio>
#include <thread>

#include "base/debug_switches.h"
#include "base/file_helpers.h"
#include "base/install_log.h"
#include "base/product_info.h"
#include "base/run_mode.h"
#include "base/texts/ui_texts.h"
#include "external/product_programs.h"
#include "install/package_errors.h"
#include "install/package_reader.h"
#include "install/product_processes.h"
#include "install/shortcuts.h"
#include "install/uninstall_registration.h"
#include "platform/clock.h"
#include "platform/gui/native_controls.h"
#include "platform/gui/window.h"
#include "platform/path.h"
#include "platform/text.h"
#include "setup/finish_web_page.h"
#include "setup/install_checks.h"
#include "setup/install_options.h"
#include "setup/install_params.h"
#include "setup/new_install.h"
#include "setup/package_location.h"
#include "setup/product_launch.h"
#include "setup/setup_dlg.h"
#include "telemetry/online_statistics.h"
#include "telemetry/report_values.h"

namespace gui = platform::gui;

namespace {

constexpr int kManifestResource32 = 501;
constexpr int kManifestResource64 = 502;
constexpr int kWaitPollMs = 1000;
constexpr int kSettleAfterDownloadMs = 2000;
constexpr int kAfterUnpackEventMs = 200;

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::string Narrow(const std::wstring& text) { return platform::WideToNarrow(text); }

// A plain message box owned by `owner`, shown on the UI thread.
void ShowErrorBox(HWND owner, const std::wstring& text) {
  gui::SendToUi([owner, text] { gui::MessageBoxW(owner, text, L"ERROR", MB_OK | MB_ICONERROR); });
}

std::string DownloadErrorText(int code, const std::string& text) {
  if (!text.empty()) return text;
  return code == 0 ? std::string() : std::to_string(code);
}

}  // namespace

void SetupDlg::DoInstall() {
  installStarted = true;
  if (statistics_) statistics_->MarkStarted();
  if (PackagePath().empty()) {
    DownloadPhase();
  } else {
    InstallPhase();
  }
}

int SetupDlg::OnDownloadEvent(int event, unsigned code, long value) {
  switch (event) {
    case kDownloadEventProgress:
      if (value > 0) downloadPercent = static_cast<int>(static_cast<double>(code) * 100.0 / value);
      break;
    case kDownloadEventFailed:
      GetCloseReportFlags().downloadDone = true;
      break;
    case kDownloadEventFinished:
      downloadFinished = true;
      if (value == 1) alreadyComplete = true;
      GetCloseReportFlags().downloadDone = true;
      break;
    default:
      break;
  }
  return 1;
}

int SetupDlg::OnInstallEvent(int event, unsigned code, long /*value*/) {
  switch (event) {
    case kUnpackStartEvent:
      installPermille = 0;
      break;
    case kUnpackDoneEvent:
      installPermille = 1000;
      launchEnabled = true;
      Sleep(kAfterUnpackEventMs);
      paintMode = 2;
      break;
    case kUnpackFailedEvent:
      // Unattended runs have nobody to press OK; the log carries the failure.
      if (!IsSilentMode()) ShowErrorBox(hwnd, L"Install Failed!");
      launchEnabled = false;
      Sleep(kAfterUnpackEventMs);
      break;
    case 3:
      if (code <= 1000) installPermille = static_cast<int>(code);
      break;
    case 100:
      installPermille = static_cast<int>(code) * 10;
      break;
    default:
      break;
  }
  return 1;
}

bool SetupDlg::GetDownloadInfo(DownloadInfo& out) {
  std::lock_guard<std::mutex> lock(downloaderMutex_);
  return pDownload && SUCCEEDED(pDownload->GetDownloadInfo(out));
}

void SetupDlg::EnterRetryState() {
  eInstall = kInstallRetry;
  UpdateCtrlStatus(kCtrlRetry);
  // An unattended run has nobody to press "Try Again": it ends, reporting the failure.
  CloseWhenSilent();
}

void SetupDlg::CloseWhenSilent() {
  if (IsSilentMode() && hwnd) gui::PostMessageW(hwnd, WM_CLOSE, 0, 0);
}

void SetupDlg::DownloadPhase() {
  stage = kStageDownloading;
  RecordStep(install_step::kDownload);
  const std::shared_ptr<IProductInfo> profile = GetProductInfo();
  const std::wstring packagePathWide = PackageDownloadPath(profile->GetPackageBaseName(), VersionText());
  const std::string packagePath = Narrow(packagePathWide);

  IDownloader* downloader = nullptr;
  {
    std::lock_guard<std::mutex> lock(downloaderMutex_);
    pDownload.reset();
    if (CreateDownloader(&downloader)) pDownload.reset(downloader);
  }
  if (!downloader || packagePath.empty()) {
    WriteLog("SetupDlg::DoInstall pDownload = NULL.\n");
    EnterRetryState();
    return;
  }
  if (statistics_) statistics_->DownloadBegin();
  // Reset once, before the engine starts: an intact package already on disk is
  // reported at once, and a later reset would lose that report.
  GetCloseReportFlags().downloadDone = false;
  downloadPercent = 0;

  std::string url = profile->GetUrl();
  if (IsSetupTestMode()) url += ".test";
  downloader->SetCallback([this](int event, unsigned code, long value) { return OnDownloadEvent(event, code, value); });

  std::string manifest;
  const int manifestId = packageInfo_.is64Bit ? kManifestResource64 : kManifestResource32;
  if (!LoadResourceText(manifestId, L"xml", manifest) || manifest.empty()) {
    WriteLog("Download manifest %d is missing from the program's resources.\n", manifestId);
    EnterRetryState();
    return;
  }
  downloader->DownloadByConfigData(manifest.data(), manifest.size(), packagePath);
  WriteLog("Url : %s\n", url.c_str());
  const std::uint32_t startTick = platform::GetTickCount();
  downloadStartTick_ = startTick;

  while (downloader->IsDownloading() || !GetCloseReportFlags().downloadDone) {
    if (cancelRequested_) break;
    usingCdn = downloader->IsUsingCdn();
    Sleep(kWaitPollMs);
  }
  if (cancelRequested_) {
    WriteLog("Download stopped: the installer is closing.\n");
    std::lock_guard<std::mutex> lock(downloaderMutex_);
    downloader->StopDownload();
    pDownload.reset();
    return;
  }

  downloadSeconds_ = (platform::GetTickCount() - startTick) / 1000;
  Sleep(kSettleAfterDownloadMs);
  if (alreadyComplete) downloadSeconds_ = 1;

  const int status = downloader->GetStatus();
  WriteLog("Download Finish Result : %s(%d).\n", status == kDownloadStatusFinished ? "succeed" : "failed", status);
  downloadErrorCode = downloader->GetErrorCode();
  downloadErrorText = downloader->GetErrorString();
  if (statistics_) {
    statistics_->DownloadEnd(status == kDownloadStatusFinished, DownloadErrorText(downloadErrorCode, downloadErrorText));
  }
  downloadOk = status == kDownloadStatusFinished;
  usingCdn = downloader->IsUsingCdn();
  {
    std::lock_guard<std::mutex> lock(downloaderMutex_);
    downloader->StopDownload();
    pDownload.reset();
  }

  const std::string configPath = packagePath + ".cfg";
  if (platform::PathFileExists(configPath)) std::remove(configPath.c_str());

  if (platform::PathFileExists(packagePath) && status == kDownloadStatusFinished) {
    WriteLog("Begin install...\n");
    SetPackagePath(packagePathWide);
    UpdateCtrlStatus(kCtrlWorking);
    eInstall = kInstallOnInstall;
    paintMode = 1;
    DoInstall();
    return;
  }
  if (status == kDownloadStatusNeedUpdate) {
    WriteLog("Download Failed. App need update.\n");
    if (!IsSilentMode()) ShowErrorBox(nullptr, GetText(42));
  } else {
    WriteLog("Download Failed. Show retry.\n");
  }
  EnterRetryState();
}

void SetupDlg::InstallPhase() {
  stage = kStageInstalling;
  if (statistics_) statistics_->InstallBegin();
  const ProgressCallback receiver = [this](int event, unsigned code, long value) {
    return OnInstallEvent(event, code, value);
  };
  const std::wstring package = PackagePath();
  WriteLog("Do Install File : %s", Narrow(package).c_str());
  ReadPackageInfo(package.c_str(), &packageInfo_);
  RecordStep(install_step::kReadInfo);
  CloseProductProcesses();

  std::wstring folder = InstallPath();
  if (!platform::PathFileExists(folder)) {
    GetDefaultInstallFolder(folder, platform::NarrowToWide(PackageInfoText(packageInfo_.productKeyName)), false,
                            packageInfo_.is64Bit);
    SetInstallPath(folder);
  }
  WriteLog("Install Path : %s", Narrow(folder).c_str());
  const bool bHasOldVersion = platform::PathFileExists(platform::PathJoin(folder, L"uninstall.exe"));
  const int bNewFlag = IsNewInstall(bHasOldVersion, packageInfo_);
  CloseProductProcesses();

  WriteLog("Begin depack file.\n");
  WriteLog("Begin delete file.(%s)", Narrow(folder).c_str());
  // Only a previous install of this product (or an empty folder) is emptied; the
  // checks refuse anything else, and this repeats their judgement right before it.
  if (MayEmptyInstallFolder(folder, packageInfo_)) DeleteFolderTree(folder);
  WriteLog("End delete file.");

  RecordStep(install_step::kInstallBegin);
  const HRESULT result = UnpackSetupPackage(package.c_str(), receiver, folder.c_str(), true, true);
  RecordStep(install_step::kInstallEnd);
  WriteLog("Install File Result %0X", static_cast<unsigned>(result));
  installOk = result >= 0;
  if (result < 0) {
    WriteLog("Install File FAILED error code = %0X, last error = %d.\n", static_cast<unsigned>(result),
             GetLastInstallError());
    UpdateCtrlStatus(kCtrlFinished);
    eInstall = kInstallAfterInstall;
    RecordStep(install_step::kInstallFail);
    if (statistics_) statistics_->InstallEnd(false, GetLastInstallErrorName(), false);
    stage = kStageDone;
    CloseWhenSilent();
    return;
  }

  const std::wstring installFolder = GetInstallFolder();
  const bool is64 = packageInfo_.is64Bit != 0;
  CreateProductShortcuts(installFolder, is64, PackageInfoText(packageInfo_.version),
                         WantsDesktopShortcuts(installOptions));
  RecordStep(install_step::kCreateShortcuts);

  installId = MakeInstallId();
  webPageResult = ShowFinishWebPage(bNewFlag, bHasOldVersion, false, packageInfo_, installId) != 0;
  WriteLog("New : %d, Has old version : %d, MiniMode : %d\n", bNewFlag, bHasOldVersion ? 1 : 0, 0);

  WriteLog("Run VexRepair.exe");
  RecordStep(install_step::kRunRepair);
  RunRepairProgram(installFolder);

  WriteLog("Run MainExe.exe /install");
  RecordStep(install_step::kRunApp);
  InstallParamsInput params;
  params.joinTicked = options_.Exists() && options_.ProgrammeTicked();
  params.installId = installId;
  params.newInstall = bNewFlag != 0;
  params.installerPath = platform::NarrowToWide(platform::GetModuleFileName());
  params.downloadSeconds = downloadSeconds_;
  RunMainProgramInstallMode(installFolder, is64, BuildInstallParams(params));

  WriteLog("UpdateCtrlStatus(AfterInstall)");
  UpdateCtrlStatus(kCtrlFinished);
  eInstall = kInstallAfterInstall;
  WriteUninstallEntry(packageInfo_, installFolder, installOptions, IsSilentMode());

  paintMode = 3;
  stage = kStageDone;
  for (int i = 0; i < 3; ++i) UpdateCtrlStatus(kCtrlFinished);
  RecordStep(install_step::kInstallFinish);
  if (statistics_) statistics_->InstallEnd(true, GetLastInstallErrorName(), webPageResult);
  CloseWhenSilent();
  WriteLog("Finish(AfterInstall)");
}
