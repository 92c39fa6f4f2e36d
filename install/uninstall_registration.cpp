#include "install/uninstall_registration.h"

#include "base/install_log.h"
#include "base/my_reg_key.h"
#include "external/product_programs.h"
#include "platform/path.h"
#include "platform/registry.h"
#include "platform/text.h"

using base::CMyRegKey;
using base::WriteLog;

namespace install {

namespace {

std::string EntryKey(const std::string& entryName) { return std::string(kUninstallKeyPrefix) + entryName; }

// A path for a 260-byte buffer: false when it (with its terminator) would not fit,
// so that it is refused rather than cut into another path.
bool FitsPathBuffer(const std::string& path) { return path.size() < static_cast<size_t>(kMaxPath); }

// Whether the value exists with the wanted type (REG_DWORD values with 4 bytes).
bool HasValueOfType(CMyRegKey& key, const std::string& valueName, DWORD wantedType) {
  DWORD type = platform::REG_NONE;
  DWORD size = 0;
  if (platform::RegQueryValueEx(key.Handle(), valueName, &type, nullptr, &size) != ERROR_SUCCESS) return false;
  if (type != wantedType) return false;
  return wantedType != platform::REG_DWORD || size == 4;
}

// Characters 1-4, 6-7 and 9-10 of "YYYY-MM-DD".
std::string InstallDateOf(const std::string& releaseDate) {
  std::string date = releaseDate;
  date.resize(10, '\0');
  std::string out = date.substr(0, 4) + date.substr(5, 2) + date.substr(8, 2);
  return out.substr(0, out.find('\0'));
}

}  // namespace

std::string UninstallEntryName(const PackageInfo& info) {
  std::string name = PackageInfoText(info.productKeyName);
  if (info.is64Bit) name += "(x64)";
  return name;
}

bool SetUninstallString(const std::string& entryName, const std::string& valueName, const std::string& text) {
  CMyRegKey key;
  if (key.Create(HKEY_LOCAL_MACHINE, EntryKey(entryName)) != ERROR_SUCCESS) return false;
  const bool written = key.SetString(valueName, text) == ERROR_SUCCESS;
  key.Close();
  return written;
}

bool SetUninstallDword(const std::string& entryName, const std::string& valueName, DWORD value) {
  CMyRegKey key;
  if (key.Create(HKEY_LOCAL_MACHINE, EntryKey(entryName)) != ERROR_SUCCESS) return false;
  const bool written = key.SetDword(valueName, value) == ERROR_SUCCESS;
  key.Close();
  return written;
}

bool QueryUninstallDword(const std::string& entryName, const std::string& valueName, DWORD& out) {
  CMyRegKey key;
  if (key.Create(HKEY_LOCAL_MACHINE, EntryKey(entryName)) != ERROR_SUCCESS) return false;
  if (HasValueOfType(key, valueName, platform::REG_DWORD)) key.QueryDword(valueName, out);
  key.Close();
  return true;
}

bool ReadSetupCfgFlag(const PackageInfo& info, DWORD& installOptions) {
  const std::string entry = UninstallEntryName(info);
  const bool opened = QueryUninstallDword(entry, kSetupCfgFlagValue, installOptions);
  WriteLog("Read Setup Cfg Flag : %d, root(%s), key(%s).\n", static_cast<int>(installOptions), entry.c_str(),
           kSetupCfgFlagValue);
  return opened;
}

bool GetLastInstallPathInRegidit(const std::string& entryName, std::string& out) {
  CMyRegKey key;
  if (key.Create(HKEY_LOCAL_MACHINE, EntryKey(entryName)) != ERROR_SUCCESS) return false;
  std::string location;
  if (HasValueOfType(key, "InstallLocation", platform::REG_SZ)) key.QueryString("InstallLocation", location);
  key.Close();
  if (location.empty()) return false;
  out = location;
  return true;
}

bool ReadRegisteredInstallLocation(const std::string& entryName, std::string& out) {
  platform::HKEY key = nullptr;
  if (entryName.empty() || platform::RegOpenKeyEx(HKEY_LOCAL_MACHINE, EntryKey(entryName), &key) != ERROR_SUCCESS)
    return false;
  char buffer[kMaxPath + 1] = {};
  DWORD size = kMaxPath;
  DWORD type = platform::REG_NONE;
  const LONG rc = platform::RegQueryValueEx(key, "InstallLocation", &type, buffer, &size);
  platform::RegCloseKey(key);
  if (rc != ERROR_SUCCESS || type != platform::REG_SZ) return false;
  const std::string location(buffer);
  if (location.empty()) return false;
  out = location;
  return true;
}

bool DeleteUninstallItem(const std::string& entryName) {
  // An empty name would name the list of every product's entries.
  if (!entryName.empty()) platform::RegDeleteKey(HKEY_LOCAL_MACHINE, EntryKey(entryName));
  return true;
}

bool WriteUninstallEntry(const PackageInfo& info, const std::wstring& installFolder, DWORD installOptions,
                         bool silent) {
  const bool is64 = info.is64Bit != 0;
  const std::string folder = platform::WideToNarrow(installFolder);
  const std::string iconPath = platform::PathJoin(folder, is64 ? product::kMainProgram64 : product::kMainProgram32);
  const std::string uninstallerPath = platform::PathJoin(folder, product::kUninstaller);
  if (!FitsPathBuffer(folder) || !FitsPathBuffer(iconPath) || !FitsPathBuffer(uninstallerPath)) {
    WriteLog("WriteUninstallEntry : install folder too long, no entry written (%s).", folder.c_str());
    return false;
  }

  const std::string entry = UninstallEntryName(info);
  const std::string version = PackageInfoText(info.version);
  const std::string releaseDate = PackageInfoText(info.releaseDate);
  const std::string webAddress = PackageInfoText(info.webAddress);
  std::string displayName = PackageInfoText(info.displayName);
  // Packages and the product profile already carry "(x64)" in their display name.
  if (is64 && !displayName.ends_with("(x64)")) displayName += " (x64)";
  displayName += " " + version + " (" + releaseDate + ")";
  const std::string quoted = "\"" + uninstallerPath + "\"";

  bool written = true;
  written = SetUninstallString(entry, "DisplayIcon", iconPath) && written;
  written = SetUninstallString(entry, "Version", version) && written;
  written = SetUninstallString(entry, "DisplayVersion", version) && written;
  written = SetUninstallString(entry, "DisplayName", displayName) && written;
  written = SetUninstallDword(entry, "EstimatedSize", kEstimatedSize) && written;
  written = SetUninstallString(entry, "HelpLink", webAddress) && written;
  written = SetUninstallString(entry, "InstallDate", InstallDateOf(releaseDate)) && written;
  written = SetUninstallString(entry, "InstallLocation", folder) && written;
  written = SetUninstallDword(entry, "NoModify", 1) && written;
  written = SetUninstallDword(entry, "NoRepair", 1) && written;
  written = SetUninstallString(entry, "Publisher", PackageInfoText(info.publisher)) && written;
  written = SetUninstallString(entry, "QuietUninstallString", quoted + product::kSilentUninstallParam) && written;
  written = SetUninstallDword(entry, "sEstimatedSize2", kEstimatedSize2) && written;
  written = SetUninstallString(entry, "UninstallString", quoted) && written;
  written = SetUninstallString(entry, "URLInfoAbout", webAddress) && written;
  written = SetUninstallString(entry, "URLUpdateInfo", webAddress) && written;
  if (!silent) {
    written = SetUninstallDword(entry, kSetupCfgFlagValue, installOptions) && written;
    WriteLog("Write Setup Cfg Flag : %d, root(%s), key(%s).\n", static_cast<int>(installOptions), entry.c_str(),
             kSetupCfgFlagValue);
  }
  if (!written) WriteLog("WriteUninstallEntry : the entry %s could not be written completely.", entry.c_str());
  return written;
}

}  // namespace install
