#include "install/seven_zip_callback.h"

#include <cstdio>
#include <cstdlib>

#include "base/progress_events.h"
#include "install/seven_zip_extractor.h"

namespace install {

namespace {

// The debugger channel of the original build has no reader here; the lines go to
// stderr only when CORVEX_7Z_TRACE is set.
void DebugTrace(const char* text) {
  static const bool enabled = std::getenv("CORVEX_7Z_TRACE") != nullptr;
  if (enabled) std::fputs(text, stderr);
}

}  // namespace

template <typename Run>
bool C7ZOperator::RunExtractor(Run run) {
  C7ZExtractor extractor(this, cancel_);
  const bool extracted = run(extractor);
  phaseTimes_ = extractor.PhaseTimes();
  failure_ = extracted ? ExtractFailure::None : extractor.Failure();
  // Refused before anything ran (a null argument) counts as unusable input.
  if (!extracted && failure_ == ExtractFailure::None) failure_ = ExtractFailure::ArchiveUnusable;
  guard_ = extractor.Guard();
  return extracted;
}

bool C7ZOperator::Extract(const void* buffer, std::uint32_t size, const char* outputFolder, const char* password,
                          bool removeExtractTemp) {
  return RunExtractor([&](C7ZExtractor& extractor) {
    return extractor.ExtractBuffer(buffer, size, outputFolder, password, removeExtractTemp);
  });
}

bool C7ZOperator::ExtractFileRange(std::FILE* source, std::uint64_t offset, std::uint32_t size,
                                   const char* outputFolder, const char* password, bool removeExtractTemp) {
  return RunExtractor([&](C7ZExtractor& extractor) {
    return extractor.ExtractFileRange(source, offset, size, outputFolder, password, removeExtractTemp);
  });
}

// Room for one trace line; the texts are short and snprintf cuts anything longer.
constexpr std::size_t kTraceLineBytes = 260;

void C7ZOperator::OnProgress(std::uint32_t low, std::uint32_t /*high*/) {
  char line[kTraceLineBytes];
  std::snprintf(line, sizeof(line), "now pos is %d \n", static_cast<int>(low));
  DebugTrace(line);
  if (progress_) progress_(base::kInstallEventExtractPercent, low, 0);
}

void C7ZOperator::OnError(int code) {
  char line[kTraceLineBytes];
  std::snprintf(line, sizeof(line), "\n!!! Error is %d \n", code);
  DebugTrace(line);
  lastError_ = code;
  if (progress_) progress_(base::kInstallEventExtractError, static_cast<unsigned>(code), 0);
}

}  // namespace install
