// The private place where one extraction stages its archive for the 7-Zip program,
// from memory or from a range of an open file: "<temp>/<tick in hex>/corvex_7z/Vex7ZFile.7z", below a folder made with
// mode 0700 under a name nobody had taken (a random name when the tick's is). Owned by the extracting thread.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "install/seven_zip_header_ranges.h"

namespace install {

class SevenZipStaging {
 public:
  enum class Result {
    Staged,
    NoPrivateFolder,  // the temporary folder is unusable
    NotWritable,      // the archive file could not be created (its folder is gone again)
    ShortWrite,       // written only in part, or missing afterwards (the folders stay)
    OutsideSource,    // the range does not lie inside the source file (nothing is left)
  };

  // Called, before the archive itself is written, with the path of a copy of the same
  // size that holds only the archive's header ranges, so that a listing can run while
  // the archive is staged. Not called when the archive's layout is not known.
  using SkeletonReady = std::function<void(const std::string& skeletonPath)>;

  Result Stage(const void* buffer, std::uint32_t size, const SkeletonReady& onSkeleton = nullptr);
  // Copies [offset, offset + size) of `source` in the kernel; the caller's stream
  // position is left alone. The staged copy is ours alone, whoever owns `source`.
  Result StageFileRange(std::FILE* source, std::uint64_t offset, std::uint32_t size,
                        const SkeletonReady& onSkeleton = nullptr);

  // Stages the archive at [offset, offset + size) of `source` as that file itself,
  // linked into the private folder, when nobody but us can change it; false, with
  // nothing left, when it cannot be, or when a 7z archive lies in front of the range.
  // The 7-Zip program finds the archive inside it.
  bool LinkSource(std::FILE* source, std::uint64_t offset, std::uint32_t size);

  // Deletes the unique folder and everything below it.
  void Remove();

  const std::string& ArchivePath() const { return archivePath_; }
  const std::string& UniqueFolder() const { return uniqueFolder_; }

  // "<temp>/<tick in hex>/", or when that name is taken "<temp>/corvex-XXXXXX/": made
  // with mode 0700 under a name nobody had taken, or empty when the temporary folder
  // is unusable or no free name was found in kRandomNameAttempts tries.
  static std::string CreateUniqueFolder();
  static constexpr int kRandomNameAttempts = 16;

  static constexpr char kStagingFolder[] = "corvex_7z/";
  static constexpr char kStagedArchive[] = "Vex7ZFile.7z";
  static constexpr char kHeaderSkeleton[] = "Vex7ZHeader.7z";
  // The linked source: without the archive's extension, so that the program looks
  // for the archive inside it instead of expecting it at the start.
  static constexpr char kLinkedSource[] = "Vex7ZPackage";

 private:
  // Makes the unique and the staging folder and sets the archive path; false when
  // the temporary folder is unusable.
  bool MakeFolders();
  void WriteSkeleton(const ArchiveReader& read, std::uint64_t size, const SkeletonReady& onSkeleton);

  std::string uniqueFolder_;
  std::string archivePath_;
};

}  // namespace install
