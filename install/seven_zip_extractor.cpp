#include "install/seven_zip_extractor.h"

#include <cstdio>
#include <vector>

#include "base/install_log.h"
#include "install/seven_zip_tree_check.h"
#include "platform/path.h"

using base::WriteLog;

namespace install {

namespace {

std::string PasswordSwitch(const char* password) {
  return password != nullptr && password[0] != '\0' ? std::string("-p") + password : std::string();
}

bool Cancelled(const std::atomic<bool>* cancel) { return cancel != nullptr && cancel->load(); }

}  // namespace

bool C7ZExtractor::ExtractBuffer(const void* buffer, std::uint32_t size, const char* outputFolder, const char* password,
                                 bool removeExtractTemp) {
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
    // Confined, the program may look for the archive by itself: no 7z archive lies in
    // front of ours, and the listing beside the run tells whether it took ours.
    if (LandlockUsable()) {
      return ExtractStaged(staging, SevenZipStaging::Result::Staged, nullptr, timer, outputFolder, password,
                           removeExtractTemp, ExpectedRange{offset, size});
    }
    ArchiveCheck check = ListForCheck(staging.ArchivePath(), PasswordSwitch(password), cancel_);
    timer.Lap(&SevenZipPhaseTimes::listing);
    // Unconfined, it must have found exactly the range we were given before it may
    // extract, or the copy is staged after all.
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

bool C7ZExtractor::ExtractStaged(SevenZipStaging& staging, SevenZipStaging::Result staged, ArchiveCheck* prelisted,
                                 SevenZipPhaseTimer& timer, const char* outputFolder, const char* password,
                                 bool removeExtractTemp, std::optional<ExpectedRange> expected) {
  failure_ = ExtractFailure::None;
  guard_ = SevenZipGuard::None;
  if (staged == SevenZipStaging::Result::NoPrivateFolder || staged == SevenZipStaging::Result::NotWritable ||
      staged == SevenZipStaging::Result::OutsideSource) {
    ReportError(kSevenZipStagingFailed);
    failure_ = ExtractFailure::Staging;
    return false;
  }
  const std::string& archivePath = staging.ArchivePath();
  WriteLog("Temp File : %s, Flag : %d\n", archivePath.c_str(), staged == SevenZipStaging::Result::Staged ? 1 : 0);
  timer.Lap(&SevenZipPhaseTimes::staging);
  if (staged != SevenZipStaging::Result::Staged) {
    ReportError(kSevenZipStagingFailed);
    staging.Remove();
    failure_ = ExtractFailure::Staging;
    return false;
  }
  std::string self = platform::GetModuleFileName();
  std::string outputSwitch = std::string("-o") + outputFolder;
  std::vector<const char*> argv = {self.c_str(), "x", archivePath.c_str(), outputSwitch.c_str()};
  const std::string passwordSwitch = PasswordSwitch(password);
  if (!passwordSwitch.empty()) argv.push_back(passwordSwitch.c_str());
  SevenZipRunControl control;
  control.times = &times_;
  control.prelisted = prelisted;
  control.cancel = cancel_;
  control.onlySevenZip = expected.has_value();
  SevenZipRunReport report = SevenZipMain(static_cast<int>(argv.size()), argv.data(), callback_, ForwardSevenZipError,
                                          ForwardSevenZipProgress, control);
  timer.Restart();
  guard_ = report.guard;
  failure_ = Judge(report, outputFolder, expected);
  timer.Lap(&SevenZipPhaseTimes::extraction);

  // A failed or cancelled run leaves nothing of ours behind, whatever was asked.
  if (removeExtractTemp || failure_ != ExtractFailure::None) staging.Remove();
  timer.Lap(&SevenZipPhaseTimes::cleanup);
  return failure_ == ExtractFailure::None;
}

ExtractFailure C7ZExtractor::Judge(SevenZipRunReport& report, const char* outputFolder,
                                   const std::optional<ExpectedRange>& expected) {
  if (report.cancelled || Cancelled(cancel_)) {
    WriteLog("C7ZExtractor : extraction into %s cancelled.\n", outputFolder);
    return ExtractFailure::Cancelled;
  }
  if (report.guard == SevenZipGuard::None) return ExtractFailure::ArchiveUnusable;
  if (!report.Succeeded()) {
    WriteLog("C7ZExtractor : 7zz ended with status %d after %d error lines%s%s.\n", report.status, report.errorLines,
             report.errorLines ? ", the first: " : "", report.firstErrorLine.c_str());
    if (report.diskFull) return ExtractFailure::DiskFull;
    if (report.notWritable) return ExtractFailure::NotWritable;
    return report.check.listing.opened ? ExtractFailure::Failed : ExtractFailure::ArchiveUnusable;
  }
  const ArchiveListing& listing = report.check.listing;
  if (!report.check.Clean()) {
    WriteLog("C7ZExtractor : the archive's listing failed, %s cannot be checked.\n", outputFolder);
    return ExtractFailure::Failed;
  }
  // The range may run on past the archive's own end; it must start where ours does.
  if (expected && (listing.offset != expected->offset || listing.physicalSize > expected->size)) {
    WriteLog("C7ZExtractor : 7zz took the archive at %llu (%llu bytes), not the payload at %llu (%llu bytes).\n",
             static_cast<unsigned long long>(listing.offset), static_cast<unsigned long long>(listing.physicalSize),
             static_cast<unsigned long long>(expected->offset), static_cast<unsigned long long>(expected->size));
    return ExtractFailure::Failed;
  }
  if (auto mismatch = FindTreeMismatch(outputFolder, listing.entries)) {
    WriteLog("C7ZExtractor : %s does not match the archive, %s.\n", outputFolder, mismatch->c_str());
    return ExtractFailure::Failed;
  }
  return ExtractFailure::None;
}

void C7ZExtractor::ReportError(int code) { ForwardSevenZipError(callback_, code); }

}  // namespace install
