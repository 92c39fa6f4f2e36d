// Writes a setup package file: header, info block, 7z payload, uninstaller.
#pragma once

#include <string>

#include "install/package_info.h"

struct PackageSources {
  std::string payloadFolder;    // packed with 7-Zip, contents only (not the folder itself)
  std::string uninstallerFile;  // stored verbatim
  std::string outputFile;
  int compressionLevel = 5;                                 // 7-Zip -mx level, 0 (store) to 9
  install::PackageInfo info = install::EmptyPackageInfo();  // names and flags; ranges are filled in
};

// Where the info block starts in packages this tool writes.
inline constexpr int kPackInfoBlockOffset = 64;

// False with `error` set when any step fails; the output is then removed.
bool WritePackage(const PackageSources& sources, std::string& error);
