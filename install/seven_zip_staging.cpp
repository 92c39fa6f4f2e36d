#include "install/seven_zip_staging.h"

#include <stdlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "base/jfile.h"
#include "platform/clock.h"
#include "platform/file_range_copy.h"
#include "platform/folder_tree.h"
#include "platform/known_folders.h"
#include "platform/path.h"
#include "platform/positional_write.h"
#include "platform/private_folder.h"
#include "platform/text.h"

namespace install {

namespace {

// The staging folders are the installer's own: nothing in them is kept.
void DeleteStagingTree(const std::string& folder) {
  platform::DeleteFolderTree(folder, platform::ReadOnlyFiles::kDelete);
}

}  // namespace

std::string SevenZipStaging::CreateUniqueFolder() {
  std::string temp = platform::WideToNarrow(platform::GetTempFolder());
  platform::CreateFolderChain(temp);
  // In a shared temporary folder another user may have prepared the name (even as a
  // link to somewhere else): the folder is created, never checked for and reused. The
  // tick name first; once it is taken, random names, a bounded number of times, so
  // that squatted names cannot keep the extraction waiting.
  char tick[16];
  std::snprintf(tick, sizeof(tick), "%x/", platform::GetTickCount());
  const std::string name = temp + tick;
  switch (platform::CreatePrivateFolder(name)) {
    case platform::PrivateFolderResult::Created: return name;
    case platform::PrivateFolderResult::AlreadyExists: break;
    case platform::PrivateFolderResult::Failed: return std::string();
  }
  for (int attempt = 0; attempt < kRandomNameAttempts; ++attempt) {
    std::string pattern = temp + "corvex-XXXXXX";
    // mkdtemp: mode 0700, and a name that exists already (a link too) is never taken.
    if (::mkdtemp(pattern.data()) != nullptr) return pattern + "/";
    if (errno != EEXIST) return std::string();
  }
  return std::string();
}

bool SevenZipStaging::MakeFolders() {
  uniqueFolder_ = CreateUniqueFolder();
  if (uniqueFolder_.empty()) return false;
  platform::CreateFolderChain(uniqueFolder_ + kStagingFolder);
  archivePath_ = uniqueFolder_ + kStagingFolder + kStagedArchive;
  return true;
}

void SevenZipStaging::WriteSkeleton(const ArchiveReader& read, std::uint64_t size, const SkeletonReady& onSkeleton) {
  if (!onSkeleton) return;
  const std::vector<ArchiveByteRange> ranges = SevenZipHeaderRanges(read, size);
  if (ranges.empty()) return;
  const std::string path = uniqueFolder_ + kStagingFolder + kHeaderSkeleton;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(platform::CreateSizedNewFile(path, size), &std::fclose);
  if (!file) return;
  std::vector<unsigned char> bytes;
  for (const ArchiveByteRange& range : ranges) {
    bytes.resize(range.length);
    if (!read(range.offset, bytes.data(), bytes.size()) ||
        platform::WriteAt(file.get(), bytes.data(), bytes.size(), range.offset) != bytes.size()) {
      return;
    }
  }
  if (std::fclose(file.release()) == 0) onSkeleton(path);
}

SevenZipStaging::Result SevenZipStaging::Stage(const void* buffer, std::uint32_t size,
                                               const SkeletonReady& onSkeleton) {
  if (!MakeFolders()) return Result::NoPrivateFolder;
  WriteSkeleton(
      [buffer, size](std::uint64_t offset, void* out, std::size_t length) {
        if (offset > size || length > size - offset) return false;
        std::memcpy(out, static_cast<const unsigned char*>(buffer) + offset, length);
        return true;
      },
      size, onSkeleton);
  base::JFile file;
  if (!file.Open(platform::NarrowToWide(archivePath_), base::JFILE_WRITE_BINARY)) {
    DeleteStagingTree(uniqueFolder_ + kStagingFolder);
    return Result::NotWritable;
  }
  long written = file.Write(buffer, size);
  file.Close();
  bool complete = written == static_cast<long>(size) && platform::PathFileExists(archivePath_);
  return complete ? Result::Staged : Result::ShortWrite;
}

SevenZipStaging::Result SevenZipStaging::StageFileRange(std::FILE* source, std::uint64_t offset, std::uint32_t size,
                                                        const SkeletonReady& onSkeleton) {
  if (!MakeFolders()) return Result::NoPrivateFolder;
  WriteSkeleton(
      [source, offset, size](std::uint64_t at, void* out, std::size_t length) {
        return at <= size && length <= size - at && platform::ReadRange(source, offset + at, out, length);
      },
      size, onSkeleton);
  switch (platform::CopyRangeToNewFile(source, offset, size, archivePath_)) {
    case platform::RangeCopyResult::Copied:
      return platform::PathFileExists(archivePath_) ? Result::Staged : Result::ShortWrite;
    case platform::RangeCopyResult::OutsideSource: DeleteStagingTree(uniqueFolder_); return Result::OutsideSource;
    case platform::RangeCopyResult::TargetNotCreated:
      DeleteStagingTree(uniqueFolder_ + kStagingFolder);
      return Result::NotWritable;
    case platform::RangeCopyResult::ShortCopy: break;
  }
  return Result::ShortWrite;
}

bool SevenZipStaging::LinkSource(std::FILE* source, std::uint64_t offset, std::uint32_t size) {
  // The program takes the first archive it finds in the file: one in front of ours
  // means a copy that starts with ours.
  const ArchiveReader readSource = [source](std::uint64_t at, void* out, std::size_t length) {
    return platform::ReadRange(source, at, out, length);
  };
  if (ContainsSevenZipStartHeader(readSource, offset)) return false;
  if (!MakeFolders()) return false;
  archivePath_ = uniqueFolder_ + kStagingFolder + kLinkedSource;
  if (platform::LinkUnchangeableFile(source, offset, size, archivePath_)) return true;
  Remove();
  uniqueFolder_.clear();
  archivePath_.clear();
  return false;
}

void SevenZipStaging::Remove() {
  if (!uniqueFolder_.empty()) DeleteStagingTree(uniqueFolder_);
}

}  // namespace install
