// The product's entry in the machine's list of installed programs, plus the private
// "cfg_flag" value that keeps the install options for later silent runs.
#pragma once

#include <string>

#include "install/package_info.h"
#include "platform/win_types.h"

namespace install {

inline constexpr char kUninstallKeyPrefix[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
inline constexpr char kSetupCfgFlagValue[] = "cfg_flag";
inline constexpr DWORD kEstimatedSize = 227016;
inline constexpr DWORD kEstimatedSize2 = 229986;

// The product key name, with "(x64)" appended without a blank for a 64-bit package.
std::string UninstallEntryName(const PackageInfo& info);

// Writes every value of the entry, each in its own create-write-close cycle, and
// "cfg_flag" (with its log line) unless `silent`. False when a value could not be
// written (the entry is then incomplete: the caller restores the previous one). An
// install folder whose paths do not fit the 260-byte path buffers is refused with a
// log line and nothing is written.
bool WriteUninstallEntry(const PackageInfo& info, const std::wstring& installFolder, DWORD installOptions, bool silent);

// Create or open the entry's key, write one value, close. False when the key cannot
// be created or opened or the value not written.
bool SetUninstallString(const std::string& entryName, const std::string& valueName, const std::string& text);
bool SetUninstallDword(const std::string& entryName, const std::string& valueName, DWORD value);
// True whenever the key could be created or opened; `out` is written only when the
// value exists as a 4-byte REG_DWORD.
bool QueryUninstallDword(const std::string& entryName, const std::string& valueName, DWORD& out);
// Reads "cfg_flag" of this package's entry into `installOptions` and logs the
// "Read Setup Cfg Flag" line.
bool ReadSetupCfgFlag(const PackageInfo& info, DWORD& installOptions);
// "InstallLocation" (a REG_SZ of at most 200 bytes) into `out`; true when not empty.
bool GetLastInstallPathInRegidit(const std::string& entryName, std::string& out);
// "InstallLocation" of an existing entry, read without creating the key (an uninstall
// must not leave an empty entry behind); true when not empty.
bool ReadRegisteredInstallLocation(const std::string& entryName, std::string& out);
// Deletes the entry's key; the result of the deletion is ignored. Always true.
bool DeleteUninstallItem(const std::string& entryName);

}  // namespace install
