#include "tools/devserver/console.h"

#include <cstdio>
#include <mutex>

namespace devserver {
namespace {

std::mutex& ConsoleMutex() {
  static std::mutex mutex;
  return mutex;
}

void Write(std::FILE* stream, const std::string& line) {
  std::lock_guard<std::mutex> lock(ConsoleMutex());
  std::fputs(line.c_str(), stream);
  std::fputc('\n', stream);
  std::fflush(stream);
}

}  // namespace

void PrintLine(const std::string& line) { Write(stdout, line); }
void PrintError(const std::string& line) { Write(stderr, line); }

}  // namespace devserver
