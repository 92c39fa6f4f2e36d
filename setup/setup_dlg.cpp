#include "setup/setup_dlg.h"

#include <chrono>
#include <thread>
#include <vector>

#include "base/file_helpers.h"
#include "base/install_log.h"
#include "base/product_info.h"
#include "base/run_mode.h"
#include "base/texts/project_text_ids.h"
#include "base/texts/ui_texts.h"
#include "external/vendor_config.h"
#include "install/package_reader.h"
#include "install/uninstall_registration.h"
#include "platform/gui/draw.h"
#include "platform/gui/native_controls.h"
#include "platform/gui/window.h"
#include "platform/text.h"
#include "setup/close_report.h"
#include "setup/install_checks.h"
#include "setup/install_options.h"
#include "setup/product_launch.h"
#include "setup/run_preparation.h"
#include "setup/setup_entry.h"
#include "setup/uninstall_run.h"
#include "telemetry/crash_handler.h"
#include "telemetry/machine_identity.h"
#include "telemetry/online_statistics.h"
#include "telemetry/report_delivery.h"
#include "telemetry/report_values.h"
#include "ui/skin_message_box.h"
#include "ui/ui_font.h"

using base::GetText;
using base::IsSilentMode;
using base::WriteLog;
using ui::ButtonCtrlEx;
using ui::CommonCtrl;
using ui::StaticCtrl;

namespace setup {

namespace gui = platform::gui;

namespace {

constexpr int kDialogWidth = 622;
constexpr UINT kCountdownPeriodMs = 1000;
constexpr int kAnswerNo = ui::kMsgBoxCancelId;  // the second button of the question box

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

SetupDlg*& DialogSlot() {
  static SetupDlg* dialog = new SetupDlg();
  return dialog;
}

}  // namespace

SetupDlg& TheSetupDlg() { return *DialogSlot(); }

void ResetSetupDlgForTesting() {
  // The old object is left alive on purpose, and reachable: threads it started may
  // still use it.
  static auto* const retired = new std::vector<SetupDlg*>;
  retired->push_back(DialogSlot());
  DialogSlot() = new SetupDlg();
  ResetCloseReportFlags();
}

SetupDlg::SetupDlg() {
  scaleToDesignSize = 1;
  designWidth = kDialogWidth;
  designHeight = OptionsPage::kClosedHeight;
  closeFlags = 0;  // Enter and Escape do not close it
}

SetupDlg::~SetupDlg() {
  for (HFONT font : {buttonFont_, smallFont_, countdownFont_}) gui::DeleteFont(font);
  for (HBITMAP bitmap : closeBitmaps_) gui::DeleteBitmap(bitmap);
  for (HBITMAP bitmap : minimizeBitmaps_) gui::DeleteBitmap(bitmap);
  for (HBITMAP bitmap : {logoBitmap_, finishLogoBitmap_, pictureBitmap_}) {
    gui::DeleteBitmap(bitmap);
  }
}

INT_PTR SetupDlg::StaticDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  SetupDlg& dialog = TheSetupDlg();
  dialog.shadow.Create(hwnd);
  telemetry::InstallCrashFilter();
  telemetry::EnsureProcessGuid();
  return dialog.DialogProc(hwnd, msg, wParam, lParam);
}

std::wstring SetupDlg::InstallPath() {
  std::lock_guard<std::mutex> lock(pathsMutex_);
  return installPathW;
}

void SetupDlg::SetInstallPath(const std::wstring& path) {
  std::lock_guard<std::mutex> lock(pathsMutex_);
  installPathW = path;
}

int SetupDlg::OnInitDialog(HWND window) {
  telemetry::EnsureProcessGuid();
  ui::CommonDlg::OnInitDialog(window);
  gui::SetWindowTextA(window, "Corvex Installer");
  gui::SetWindowIcon(window, base::resource_ids::kProgramIcon);

  SetInstallPath(base::GetPresetInstallPath());
  installMode_ = base::GetRunMode() == base::kRunModeInstall;
  base::SetLanguage(L"Corvex", 0, HostNameOf(GetVendorConfig().webSite));

  pictureBitmap_ = gui::LoadBitmapW(nullptr, 132);
  if (!progress_.Load(window)) WriteLog("SetupDlg: a progress picture is missing");

  const std::shared_ptr<base::IProductInfo> profile = base::GetProductInfo();
  packageInfo_ = PackageInfoFromProfile(*profile);

  installOptions = ReadInstallOptions(packageInfo_);

  if (installMode_) {
    SetInstallPath(ChooseInitialInstallFolder(packageInfo_, InstallPath()));
    CreateMainPage();
    if (!IsSilentMode()) {
      options_.Create(window, controls, installOptions, InstallPath());
      GetCloseReportFlags().desktopTicked = options_.DesktopTicked();
      GetCloseReportFlags().programmeTicked = options_.ProgrammeTicked();
    }
    ShowCustom(false);
    UpdateCtrlStatus(kCtrlReady);
    versionLabel_->SetCaption(profile->GetVersionLabel());
    versionLabel_->SetVisible(true);
  } else if (!IsSilentMode()) {
    uninstallPage_.Build(window, controls, FindThisRunsUninstallTarget());
  }

  // The reporter exists before any thread starts: a silent run's worker starts below.
  statistics_ = telemetry::CreateRunStatistics(packageInfo_.is64Bit != 0);
  if (statistics_) reports_.StartStartReport(statistics_);
  RecordStep(telemetry::install_step::kStart);

  std::thread([this] { LoadVersionText(); }).detach();
  StartPainterThreads();

  if (IsSilentMode()) {
    if (installMode_) OnBtnInstall();
  } else if (installMode_) {
    countdownRunning_ = true;
    gui::SetTimer(window, kCountdownTimer, kCountdownPeriodMs);
  }
  return 1;
}

void SetupDlg::CreateMainPage() {
  const std::shared_ptr<base::IProductInfo> profile = base::GetProductInfo();
  const int ids[4] = {140, 142, 143, 148};
  const int minIds[4] = {144, 146, 147, 149};
  for (int i = 0; i < 4; ++i) {
    closeBitmaps_[i] = gui::LoadBitmapW(nullptr, ids[i]);
    minimizeBitmaps_[i] = gui::LoadBitmapW(nullptr, minIds[i]);
  }
  logoBitmap_ = gui::LoadBitmapW(nullptr, profile->GetLogoBitmapId());
  finishLogoBitmap_ = gui::LoadBitmapW(nullptr, profile->GetFinishLogoBitmapId());
  buttonFont_ = ui::CreateDialogFont(hwnd, 27);  // 20 points at 96 DPI
  smallFont_ = ui::CreateDialogFont(hwnd, 12);
  countdownFont_ = ui::CreateDialogFont(hwnd, 14);

  logo_ = std::make_unique<StaticCtrl>(hwnd, 13, 10, 105, 25);
  logo_->SetUseBitmap(1);
  logo_->SetStateBitmaps(logoBitmap_, nullptr, nullptr, nullptr);
  finishLogo_ = std::make_unique<StaticCtrl>(hwnd, 13, 10, 105, 25);
  finishLogo_->SetUseBitmap(1);
  finishLogo_->SetStateBitmaps(finishLogoBitmap_, nullptr, nullptr, nullptr);
  finishLogo_->SetVisible(false);
  versionLabel_ = std::make_unique<StaticCtrl>(hwnd, 13, 32, 213, 52);
  versionLabel_->SetFont(smallFont_);
  versionLabel_->SetTextColor(0xBFBFBF);
  versionLabel_->SetTextFormat(DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  centrePicture_ = std::make_unique<StaticCtrl>(hwnd, 184, 50, 184 + 255, 50 + 255);
  centrePicture_->SetUseBitmap(1);
  centrePicture_->SetStateBitmaps(pictureBitmap_, nullptr, nullptr, nullptr);
  countdownText_ = std::make_unique<StaticCtrl>(hwnd, 3, 311, 619, 348);
  countdownText_->SetFont(countdownFont_);
  countdownText_->SetTextColor(0x373737);

  const int width = base::GetLayoutWidth(4);
  const int left = (kDialogWidth - width) / 2;
  installButton_ = std::make_unique<ui::ButtonColorCtrlEx>(hwnd, left, 354, left + width, 394);
  installButton_->SetID(kInstallId);
  installButton_->SetFont(buttonFont_);
  installButton_->SetStateTextColors(0xA74747, 0xFFFFFF, 0xFFFFFF, 0xD7D7D7);
  installButton_->SetFrameColors(0xA74747, 0xA74747, 0xA74747, 0xD77DD7);
  installButton_->SetFillColors(0xFFE9E9, 0xA74747, 0xA74747, 0xD700D7);
  installButton_->SetFrameWidth(2);
  installButton_->SetCaption(GetText(0));

  closeButton_ = std::make_unique<ButtonCtrlEx>(hwnd, 600, 0, 617, 21);
  closeButton_->SetID(kCloseId);
  closeButton_->SetUseBitmap(1);
  closeButton_->SetStateBitmaps(closeBitmaps_[0], closeBitmaps_[1], closeBitmaps_[2], nullptr);
  minimizeButton_ = std::make_unique<ButtonCtrlEx>(hwnd, 580, 0, 597, 21);
  minimizeButton_->SetID(kMinimizeId);
  minimizeButton_->SetUseBitmap(1);
  minimizeButton_->SetStateBitmaps(minimizeBitmaps_[0], minimizeBitmaps_[1], minimizeBitmaps_[2], nullptr);

  for (CommonCtrl* control : std::initializer_list<CommonCtrl*>{logo_.get(), finishLogo_.get(), versionLabel_.get(),
                                                                centrePicture_.get(), countdownText_.get()}) {
    controls.AddToPaintList(control);
  }
  for (ButtonCtrlEx* control :
       {static_cast<ButtonCtrlEx*>(installButton_.get()), closeButton_.get(), minimizeButton_.get()}) {
    controls.AddToPaintList(control);
    controls.AddToMouseList(control);
  }
  OnCountdownText(countdown_.load());
}

void SetupDlg::OnCountdownText(int count) {
  if (!countdownText_) return;
  std::wstring text = GetText(49);
  const std::wstring number = std::to_wstring(count) + L" ";
  for (size_t at = text.find(L"XXX"); at != std::wstring::npos; at = text.find(L"XXX", at + number.size())) {
    text.replace(at, 3, number);
  }
  countdownText_->SetCaption(text.c_str());
  if (hwnd) gui::InvalidateRect(hwnd, nullptr, 0);
}

void SetupDlg::OnCountdownTick() {
  OnCountdownText(countdown_.load());
  if (--countdown_ < 0) {
    StopCountdown();
    GetCloseReportFlags().startedByCountdown = true;
    OnBtnInstall();
  }
}

void SetupDlg::StopCountdown() {
  countdownRunning_ = false;
  if (hwnd) gui::KillTimer(hwnd, kCountdownTimer);
}

void SetupDlg::LoadVersionText() {
  std::string text;
  if (!LoadVersionTextResource(base::GetProductInfo()->IsX64(), text)) {
    UpdateCtrlStatus(kCtrlRetry);
  } else if (!text.empty()) {
    if (versionLabel_) versionLabel_->SetCaption(platform::NarrowToWide(text).c_str());
    std::lock_guard<std::mutex> lock(versionMutex_);
    versionText_ = text;
  }
  versionLoaded_ = true;
}

std::string SetupDlg::VersionText() {
  // The text names the package file: a download that starts at once (a silent run)
  // waits the moment it takes to read it.
  for (int waited = 0; !versionLoaded_ && waited < 2000; waited += 5) Sleep(5);
  std::lock_guard<std::mutex> lock(versionMutex_);
  return versionText_;
}

void SetupDlg::StartPainterThreads() {
  painter_ = std::thread([this] {
    while (!stopFlag_) {
      OnPaint();
      Sleep(eInstall == kInstallOnInstall ? 10 : 50);
    }
  });
}

void SetupDlg::StopPainting() {
  stopFlag_ = true;
  if (painter_.joinable() && painter_.get_id() != std::this_thread::get_id()) painter_.join();
}

void SetupDlg::RecordStep(const char* name) {
  if (statistics_) reports_.StartStepReport(statistics_, name);
}

void SetupDlg::OnBtnInstall() {
  StopCountdown();
  WriteLog("SetupDlg::OnBtnInstall, eInstall(%d).\n", static_cast<int>(eInstall.load()));
  switch (eInstall.load()) {
    case kInstallAfterInstall: FinishButtonLaunch(); return;
    case kInstallReady:
    case kInstallRetry: break;
    default: WriteLog("OnBtnInstall(what ?\?\?)"); return;
  }
  if (!RunInstallChecks()) {
    if (IsSilentMode()) gui::PostMessageW(hwnd, WM_CLOSE, 0, 0);
    return;
  }
  WriteLog("OnBtnInstall(OnInstall)");
  ShowCustom(false);
  options_.SetToggleVisible(false);
  if (versionLabel_) versionLabel_->SetVisible(false);
  if (!IsSilentMode() && options_.Exists()) {
    installOptions = MakeInstallOptions(options_.DesktopTicked(), options_.ProgrammeTicked());
  }
  if (eInstall == kInstallRetry) UpdateCtrlStatus(kCtrlWorking);
  eInstall = kInstallOnInstall;
  StartFrameProducer();            // once; later clicks find it running
  UpdateCtrlStatus(kCtrlWorking);  // the working look, as the producer's first frame sets it
  StartInstallWorker();
}

void SetupDlg::StartInstallWorker() {
  // A retry click can only come after the previous worker has set the retry state
  // and is about to end; wait for it so that two runs never overlap.
  while (workerRunning_) Sleep(5);
  InstallRequest request;
  request.packageInfo = packageInfo_;
  request.installPath = InstallPath();
  request.installOptions = installOptions;
  request.joinProgramme = options_.Exists() && options_.ProgrammeTicked();
  request.silent = IsSilentMode();
  request.versionText = [this] { return VersionText(); };
  InstallHooks hooks;
  hooks.statistics = statistics_;
  hooks.recordStep = [this](const char* step) { RecordStep(step); };
  hooks.onStateChanged = [this](const InstallSnapshot& snapshot) { OnSequenceStateChanged(snapshot); };
  hooks.onFailure = [this](InstallFailure failure, const std::wstring& text) { OnSequenceFailure(failure, text); };
  auto sequence = std::make_shared<InstallSequence>(std::move(request), std::move(hooks));
  {
    std::lock_guard<std::mutex> lock(sequenceMutex_);
    sequence_ = sequence;
  }
  workerRunning_ = true;
  std::thread([this, sequence] {
    sequence->Run();
    OnWorkerEnded();
  }).detach();
}

std::shared_ptr<InstallSequence> SetupDlg::CurrentSequence() const {
  std::lock_guard<std::mutex> lock(sequenceMutex_);
  return sequence_;
}

InstallSnapshot SetupDlg::CurrentSnapshot() const {
  const std::shared_ptr<InstallSequence> sequence = CurrentSequence();
  if (!sequence) return InstallSnapshot{};
  return sequence->Snapshot();
}

bool SetupDlg::GetDownloadInfo(download::DownloadInfo& out) {
  const std::shared_ptr<InstallSequence> sequence = CurrentSequence();
  return sequence && sequence->GetDownloadInfo(out);
}

void SetupDlg::OnSequenceStateChanged(const InstallSnapshot& snapshot) {
  eInstall = snapshot.buttonState;
  switch (snapshot.buttonState) {
    case kInstallRetry: UpdateCtrlStatus(kCtrlRetry); break;
    case kInstallAfterInstall: UpdateCtrlStatus(kCtrlFinished); break;
    case kInstallOnInstall: UpdateCtrlStatus(kCtrlWorking); break;
    case kInstallReady: break;
  }
  if (snapshot.outcome == InstallOutcome::kRunning) return;
  // A quit question asked while working no longer applies.
  gui::PostToUi([] { ui::DismissOpenQuestion(); });
  // An unattended run has nobody to press a button: it ends, reporting the outcome.
  if (IsSilentMode() && hwnd) gui::PostMessageW(hwnd, WM_CLOSE, 0, 0);
}

void SetupDlg::OnSequenceFailure(InstallFailure failure, const std::wstring& text) {
  if (IsSilentMode() || closeWhenStopped_ || closing_) return;
  // The out-of-date box has no owner, as the download failure it explains.
  HWND owner = failure == InstallFailure::kNeedsUpdate ? nullptr : hwnd;
  gui::SendToUi([owner, text] { gui::MessageBoxW(owner, text, L"ERROR", MB_OK | MB_ICONERROR); });
}

void SetupDlg::OnWorkerEnded() {
  workerRunning_ = false;
  if (closeWhenStopped_) gui::PostToUi([this] { EndNow(); });
}

bool SetupDlg::WaitForWorker(int timeoutMs) {
  if (const std::shared_ptr<InstallSequence> sequence = CurrentSequence(); sequence && workerRunning_) {
    sequence->RequestCancel();
  }
  for (int waited = 0; workerRunning_ && waited < timeoutMs; waited += 10) Sleep(10);
  return !workerRunning_;
}

void SetupDlg::UpdateCtrlStatus(CtrlStatus status) {
  if (!installMode_ || !installButton_) return;
  switch (status) {
    case kCtrlWorking:
      for (CommonCtrl* control : std::initializer_list<CommonCtrl*>{
               closeButton_.get(), minimizeButton_.get(), versionLabel_.get(), installButton_.get(), logo_.get(),
               finishLogo_.get(), centrePicture_.get(), countdownText_.get()}) {
        control->SetVisible(false);
      }
      break;
    case kCtrlFinished: {
      logo_->SetVisible(false);
      centrePicture_->SetVisible(false);
      closeButton_->SetStateBitmaps(closeBitmaps_[1], closeBitmaps_[2], closeBitmaps_[3], nullptr);
      minimizeButton_->SetStateBitmaps(minimizeBitmaps_[1], minimizeBitmaps_[2], minimizeBitmaps_[3], nullptr);
      closeButton_->SetVisible(true);
      minimizeButton_->SetVisible(true);
      finishLogo_->SetVisible(true);
      installButton_->SetVisible(CurrentSnapshot().launchEnabled);
      ui::CommonRect rect = installButton_->GetRect();
      RECT wider = *rect.GetRect();
      wider.left -= 100;
      wider.right += 100;
      installButton_->SetRect(&wider);
      installButton_->SetStateTextColors(0xBF5300, 0x9300DF, 0xBF5300, 0xD7D7D7);
      installButton_->SetFrameColors(0, 0, 0, 0);
      installButton_->SetFillColors(0, 0, 0, 0);
      installButton_->SetCaption(GetText(9));
      break;
    }
    case kCtrlRetry:
      finishLogo_->SetVisible(false);
      for (CommonCtrl* control : std::initializer_list<CommonCtrl*>{closeButton_.get(), logo_.get(),
                                                                    centrePicture_.get(), installButton_.get()}) {
        control->SetVisible(true);
      }
      installButton_->SetCaption(GetText(14));
      break;
    case kCtrlReady:
      finishLogo_->SetVisible(false);
      for (CommonCtrl* control :
           std::initializer_list<CommonCtrl*>{closeButton_.get(), minimizeButton_.get(), versionLabel_.get(),
                                              installButton_.get(), logo_.get(), centrePicture_.get()}) {
        control->SetVisible(true);
      }
      installButton_->SetCaption(GetText(0));
      break;
  }
  if (hwnd) gui::InvalidateRect(hwnd, nullptr, 0);
}

void SetupDlg::ShowCustom(bool open) {
  if (!options_.Exists()) return;
  if (open) {
    StopCountdown();
    if (countdownText_) countdownText_->SetVisible(false);
  }
  options_.SetPageVisible(open);
  const int target = open ? OptionsPage::kOpenHeight : OptionsPage::kClosedHeight;
  RECT rect{};
  gui::GetWindowRect(hwnd, &rect);
  if (rect.bottom - rect.top != ScaleByDpi(target)) {
    gui::MoveWindow(hwnd, rect.left, rect.top, ScaleByDpi(kDialogWidth), ScaleByDpi(target), 1);
  }
  gui::InvalidateRect(hwnd, nullptr, 0);
}

void SetupDlg::OnCreate() {
  if (hwnd) shadow.Create(hwnd);
}

int SetupDlg::PreHandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CLOSE: return OnClose();
    case WM_ERASEBKGND: return 1;
    case WM_TIMER:
      if (wParam == kCountdownTimer && countdownRunning_) OnCountdownTick();
      if (wParam == kStopWaitTimer && !closing_) {
        WriteLog("The installation did not stop within %d s; the installer ends anyway.\n", kStopWaitMs / 1000);
        EndNow();
      }
      return 0;
    default: return ui::CommonDlg::PreHandleMessage(msg, wParam, lParam);
  }
}

int SetupDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  switch (LOWORD(wParam)) {
    case kCloseId:
    case kCancelId:
    case kCloseAltId: OnBtnClose(); return 1;
    case kMinimizeId: gui::ShowWindow(hwnd, SW_MINIMIZE); return 1;
    case kInstallId: OnBtnInstall(); return 1;
    case kKeepConfigId:
    case kUninstallId: uninstallPage_.OnCommand(LOWORD(wParam)); return 1;
    case OptionsPage::kCustomId: ShowCustom(options_.ToggleCustom()); return 1;
    case OptionsPage::kLicenceBoxId:
      if (installButton_) installButton_->SetEnabled(options_.ToggleLicence());
      gui::InvalidateRect(hwnd, nullptr, 0);
      return 1;
    case OptionsPage::kDesktopId:
      GetCloseReportFlags().desktopTicked = options_.ToggleDesktop();
      gui::InvalidateRect(hwnd, nullptr, 0);
      return 1;
    case OptionsPage::kProgrammeId:
      GetCloseReportFlags().programmeTicked = options_.ToggleProgramme();
      gui::InvalidateRect(hwnd, nullptr, 0);
      return 1;
    case OptionsPage::kLicenceLinkId: OpenLicensePage(packageInfo_); return 1;
    case OptionsPage::kProgrammeLinkId: OpenExperienceProgrammePage(packageInfo_); return 1;
    case OptionsPage::kBrowseId: OnBtnBrower(); return 1;
    default: return ui::CommonDlg::OnCommand(wParam, lParam);
  }
}

void SetupDlg::OnBtnBrower() {
  std::wstring path = InstallPath();
  if (!BrowseForInstallFolder(path, packageInfo_)) return;
  SetInstallPath(path);
  options_.SetFolderText(path);
}

bool SetupDlg::RunInstallChecks() {
  std::wstring path = InstallPath();
  const std::wstring folderText = IsSilentMode() || !options_.Exists() ? path : options_.FolderText();
  bool folderUnchanged = false;
  const bool passed = CheckInstallConditions(hwnd, packageInfo_, folderText, path, folderUnchanged);
  SetInstallPath(path);
  if (folderUnchanged) GetCloseReportFlags().folderUnchanged = true;
  if (passed) GetCloseReportFlags().folderChecked = true;
  return passed;
}

void SetupDlg::FinishButtonLaunch() {
  GetCloseReportFlags().launchedFromFinish = true;
  WriteLog("OnBtnInstall(AfterInstall)");
  if (const std::shared_ptr<InstallSequence> sequence = CurrentSequence()) {
    LaunchProductForUser(sequence->InstallFolder(), sequence->PackageInfoCopy().is64Bit != 0);
  }
  WriteLog("Finish and Close Setup!");
  gui::SendMessageW(hwnd, WM_CLOSE, 0, 0);
}

void SetupDlg::OnBtnClose() {
  WriteLog("OnBtnClose(user close)");
  gui::SendMessageW(hwnd, WM_CLOSE, 0, 0);
}

bool SetupDlg::AskToStopWork(const char* noExtra, const char* yesExtra, bool& dismissed) {
  const int answer = ui::AskQuestion(hwnd, L"Corvex", GetText(10), GetText(19), GetText(20));
  dismissed = answer == ui::kMsgBoxNoChoice;
  if (dismissed) return false;
  const bool keep = answer == kAnswerNo;
  if (statistics_) statistics_->AddExtraString("close_app", keep ? noExtra : yesExtra);
  return !keep;
}

int SetupDlg::OnClose() {
  if (closing_ || closeWhenStopped_) return 0;
  for (;;) {
    const InstallSnapshot snapshot = CurrentSnapshot();
    // The finished page, the retry state and a ready page have nothing to stop.
    if (!workerRunning_ || snapshot.outcome != InstallOutcome::kRunning) break;
    if (!IsSilentMode()) {
      bool dismissed = false;
      const bool installing = snapshot.stage == kStageInstalling;
      const bool stop = installing ? AskToStopWork("installing_no", "installing_yes", dismissed)
                                   : AskToStopWork("downloading_no", "downloading_yes", dismissed);
      if (dismissed) continue;  // the run ended under the question: judge again
      if (!stop) return 0;
    }
    // The sequence stops, and rolls back what it changed, before the dialog ends.
    closeWhenStopped_ = true;
    gui::ShowWindow(hwnd, SW_HIDE);
    if (const std::shared_ptr<InstallSequence> sequence = CurrentSequence()) sequence->RequestCancel();
    WriteLog("Closing: waiting for the installation to stop.\n");
    gui::SetTimer(hwnd, kStopWaitTimer, kStopWaitMs);
    if (!workerRunning_) EndNow();
    return 0;
  }
  EndNow();
  return 0;
}

void SetupDlg::EndNow() {
  if (closing_.exchange(true)) return;
  if (hwnd) gui::KillTimer(hwnd, kStopWaitTimer);
  gui::ShowWindow(hwnd, SW_HIDE);
  ReportClose();
  StopCountdown();
  StopPainting();
  gui::EndDialog(hwnd, 0);
}

int SetupDlg::ReportClose() {
  if (!statistics_) return 0;
  reports_.DeliverFinalReport(statistics_, MakeFinalReportFlags());  // also sends the "step_close" step
  return 0;
}

void InitializeDialogSupport() { ui::CWndShadow::Initialize(nullptr); }

void ShowAnotherInstallerMessage() {
  InitializeDialogSupport();
  base::SetLanguage(L"Corvex", 0, HostNameOf(GetVendorConfig().webSite));
  ui::ShowMessage(nullptr, L"Corvex", GetText(base::kTextAnotherInstaller), GetText(11));
}

void RunSetupDialog() {
  const SetupDlg& dialog = TheSetupDlg();
  gui::RegisterDialogTemplate(base::resource_ids::kSetupDialogTemplate, dialog.designWidth, dialog.designHeight);
  gui::DialogBoxParamW(nullptr, base::resource_ids::kSetupDialogTemplate, nullptr, &SetupDlg::StaticDialogProc, 0);
}

SetupOutcome EndSetupDialog() {
  constexpr int kWorkerStopWaitMs = 3000;
  SetupDlg& dialog = TheSetupDlg();
  SetupOutcome outcome;
  outcome.workerStopped = dialog.WaitForWorker(kWorkerStopWaitMs);
  dialog.FinishReports();
  outcome.result = dialog.ProductInstalled() ? SetupResult::kInstalled : SetupResult::kNotInstalled;
  return outcome;
}

}  // namespace setup
