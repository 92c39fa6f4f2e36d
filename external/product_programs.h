// What the installer passes to the main product's programs and relies on.
#pragma once

#include <array>

namespace product {

inline constexpr const char kMainProgram32[] = "Corvex.exe";
inline constexpr const char kMainProgram64[] = "Corvex64.exe";
inline constexpr const char kRepairProgram[] = "VexRepair.exe";
inline constexpr const char kUninstaller[] = "uninstall.exe";
inline constexpr const char kUninstallerSidecar[] = "uninstall.exe.bin";

// Parameter texts.
inline constexpr const char kInstallParam[] = "/install";
inline constexpr const char kAddPlanParam[] = " /add_plan";
inline constexpr const char kInstallIdParam[] = " /ID:";
inline constexpr const char kNewParam[] = " /new ";
inline constexpr const char kMiniShowParam[] = " /minishow ";
inline constexpr const char kTimeParamFormat[] = " /time:%d ";
inline constexpr const char kInstallModeParam[] = " --installmode";
inline constexpr const char kMiniModeParam[] = " --minimode";
inline constexpr const char kQtLogParam[] = " /QTLOG";
inline constexpr const char kUninstallKeepSettingsParam[] = "/uninstall";
inline constexpr const char kFullUninstallParam[] = "/full_uninstall";
inline constexpr const char kSilentUninstallParam[] = " /SILENT";

// The "/option:" words looked for in the installer's own file name, in order.
inline constexpr std::array<const char*, 5> kOptionWords = {"copy", "ripper", "creator", "converter", "uhd_drive_tool"};

// The product's processes closed before its files are replaced, in order.
inline constexpr std::array<const char*, 20> kProcessNames = {
    "Corvex64.exe",    "Corvex.exe",     "Corvex XI.exe",  "Corvex XI (x64).exe", "CorvexInvisible.exe",
    "VexUpdate.exe",   "VexRepair.exe",  "VexProcess.exe", "VexReport.exe",       "VexRegOp.exe",
    "VexCheck.exe",    "VexCore.exe",    "VexCopy.exe",    "Shunter.exe",         "Quillwork.exe",
    "ClipFetcher.exe", "LockLifter.exe", "VexIOS64.exe",   "VexIOS.exe",          "PocketCapture.exe"};

// Traces of the main product in the user's roaming application-data folder.
inline constexpr const char kRanBeforeFolder[] = "Corvex11";
inline constexpr const char kSettingsFolder[] = "Corvex 11";

// The earlier product whose registered install makes the thank-you page an update page.
inline constexpr const char kEarlierProductKeyName[] = "Corvex 10";

}  // namespace product
