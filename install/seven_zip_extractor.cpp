#include "install/seven_zip_extractor.h"

#include <cstdio>
#include <vector>

#include "install/seven_zip_handler.h"
#include "platform/path.h"

namespace {

std::string PasswordSwitch(const char* password) {
  return password != nullptr && password[0] != '\0' ? std::string("-p") + password : std::string();
}

}  // namespace

bool C7ZExtractor::ExtractBuffer(const void* buffer, std::uint32_t size, const char* outputFolder,
                                 const char* password, bool removeExtractTemp) {
  if (buffer == nullptr || outputFolder == nullptr) return false;
  times_ = SevenZipPhaseTimes();
  SevenZipPhaseTimer timer(&times_);

  // The archive's headers are listed while the archive is written.
  SevenZipStaging staging;
  SevenZipEarlyListing early(PasswordSwitch(password));
  SevenZipStaging::Result staged = staging.Stage(buffer, size, [&](const std::string& path) { early.Start(path); });
  timer.Lap(&SevenZipPhaseTimes::staging);
  ArchiveCheck* prelisted = early.Finish();
  timer.Lap(&SevenZipPhaseTimes::listing);
  return ExtractStaged(staging, staged, prelisted, timer, outputFolder, password, removeExtractTemp);
}

bool C7ZExtractor::ExtractFileRange(std::FILE* source, std::uint64_t offset, std::uint32_t size,
                                    const char* outputFolder, const char* password, bool removeExtractTemp) {
  if (source == nullptr || outputFolder == nullptr) return false;
  times_ = SevenZipPhaseTimes();
  SevenZipPhaseTimer timer(&times_);
  SevenZipStaging staging;
  if (staging.LinkSource(source, offset, size)) {
    timer.Lap(&SevenZipPhaseTimes::staging);
    ArchiveCheck check = ListForCheck(staging.ArchivePath(), PasswordSwitch(password));
    timer.Lap(&SevenZipPhaseTimes::listing);
    // The program looks for the archive inside the file by itself: it must have found
    // exactly the range we were given, or the copy is staged after all.
    if (check.Clean() && check.listing.offset == offset && check.listing.physicalSize == size) {
      return ExtractStaged(staging, SevenZipStaging::Result::Staged, &check, timer, outputFolder, password,
                           removeExtractTemp);
    }
    staging.Remove();
  }
  SevenZipEarlyListing early(PasswordSwitch(password));
  SevenZipStaging::Result staged =
      staging.StageFileRange(source, offset, size, [&](const std::string& path) { early.Start(path); });
  timer.Lap(&SevenZipPhaseTimes::staging);
  ArchiveCheck* prelisted = early.Finish();
  timer.Lap(&SevenZipPhaseTimes::listing);
  return ExtractStaged(staging, staged, prelisted, timer, outputFolder, password, removeExtractTemp);
}

bool C7ZExtractor::ExtractStaged(SevenZipStaging& staging, SevenZipStaging::Result staged,
                                 ArchiveCheck* prelisted, SevenZipPhaseTimer& timer, const char* outputFolder,
                                 const char* password, bool removeExtractTemp) {
  if (staged == SevenZipStaging::Result::NoPrivateFolder || staged == SevenZipStaging::Result::NotWritable ||
      staged == SevenZipStaging::Result::OutsideSource) {
    ReportError(kSevenZipStagingFailed);
    return false;
  }
  const std::string& archivePath = staging.ArchivePath();
  std::printf("Temp File : %s, Flag : %d\n", archivePath.c_str(), staged == SevenZipStaging::Result::Staged ? 1 : 0);
  timer.Lap(&SevenZipPhaseTimes::staging);
  if (staged != SevenZipStaging::Result::Staged) {
    ReportError(kSevenZipStagingFailed);
    return false;
  }
  std::string self = platform::GetModuleFileName();
  std::string outputSwitch = std::string("-o") + outputFolder;
  std::vector<const char*> argv = {self.c_str(), "x", archivePath.c_str(), outputSwitch.c_str()};
  const std::string passwordSwitch = PasswordSwitch(password);
  if (!passwordSwitch.empty()) argv.push_back(passwordSwitch.c_str());
  int status = SevenZipMain(static_cast<int>(argv.size()), argv.data(), callback_, ForwardSevenZipError,
                            ForwardSevenZipProgress, &times_, prelisted);
  timer.Restart();

  if (removeExtractTemp) staging.Remove();
  timer.Lap(&SevenZipPhaseTimes::cleanup);
  return status != kSevenZipNotRun;
}

void C7ZExtractor::ReportError(int code) { ForwardSevenZipError(callback_, code); }
