// Which installation an uninstall removes, and how the product there is named.
#pragma once

#include <string>

namespace install {

struct UninstallTarget {
  std::string installFolder;   // empty when no installation was found
  std::string productKeyName;  // "Corvex 11"
  bool is64Bit = false;
  const char* source = "nowhere";  // where the folder came from, for the log
};

// Started as uninstall.exe (`programPath`), the installation is the folder the program
// lies in. Otherwise `presetFolder` (--path) when given, else the InstallLocation of the
// registered entry of `productKeyName`, the preferred edition's first. The sidecar
// uninstall.exe.bin in the folder, when readable, names the product and its edition.
UninstallTarget FindUninstallTarget(const std::string& programPath, const std::string& presetFolder,
                                    const std::string& productKeyName, bool preferX64);

}  // namespace install
