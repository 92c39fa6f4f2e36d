// What an archive holds, as the 7-Zip program lists it ("l -slt"), and the targets
// of its symbolic links.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "install/seven_zip_console.h"
#include "install/seven_zip_path_check.h"

namespace install {

struct ArchiveListing {
  bool started = false;            // the program ran
  bool opened = false;             // the archive could be opened and its items were listed
  std::uint64_t offset = 0;        // where the archive starts in the file listed
  std::uint64_t physicalSize = 0;  // the archive's own length in that file
  std::vector<ArchiveEntry> entries;
};

// `passwordSwitch` is "" or "-p<password>". Without one, a password question is
// answered with an empty line, as the extraction answers it; `reader` (may be null)
// sees the run's output and end; `cancel` (may be null) ends the run early.
// `onlySevenZip` looks for nothing but a 7z archive in the file.
ArchiveListing ListArchive(const std::string& archive, const std::string& passwordSwitch, SevenZipConsoleReader* reader,
                           const std::atomic<bool>* cancel = nullptr, bool onlySevenZip = false);

// Parses the technical listing: the items after the "----------" line.
ArchiveListing ParseTechnicalListing(const std::vector<std::string>& lines);

// Fills `linkTarget` of every link whose listing did not name it, by extracting the
// links' contents to a pipe. False when the contents do not add up to the listed sizes.
bool ReadLinkTargets(const std::string& archive, const std::string& passwordSwitch, ArchiveListing& listing);

}  // namespace install
