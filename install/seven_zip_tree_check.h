// Compares an extracted folder with the listing of the archive it came from.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "install/seven_zip_path_check.h"

namespace install {

// True for an entry listed as a folder.
bool IsFolderEntry(const ArchiveEntry& entry);

// The first entry that is not in `folder` as listed, described for the log; nullopt
// when all are: folders as folders, links as links (not followed), every other entry
// as a regular file of its listed size.
std::optional<std::string> FindTreeMismatch(const std::string& folder, const std::vector<ArchiveEntry>& entries);

}  // namespace install
