// Stages an in-memory archive in a private temporary folder and runs the archive
// handler on it. Created on the stack for one extraction.
#pragma once

#include <cstdint>
#include <string>

#include "install/seven_zip_callback.h"

class C7ZExtractor {
 public:
  explicit C7ZExtractor(I7zFileInfoCallback* callback) : callback_(callback) {}

  // False when an argument is null, the archive cannot be staged (error 263), or the
  // handler did not run; true once it ran, whatever it reported.
  bool ExtractBuffer(const void* buffer, std::uint32_t size, const char* outputFolder, const char* password,
                     bool removeExtractTemp);

  const SevenZipPhaseTimes& PhaseTimes() const { return times_; }

 private:
  void ReportError(int code);

  I7zFileInfoCallback* callback_;
  SevenZipPhaseTimes times_;
};
