#include "install/seven_zip_console.h"

#include <charconv>
#include <utility>

namespace install {

namespace {

std::string_view TrimLeft(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  return text;
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// "  42% 3 - name" -> 42. False for anything that is not a percentage display.
bool ParsePercent(std::string_view piece, unsigned& percent) {
  const char* end = piece.data() + piece.size();
  auto [next, error] = std::from_chars(piece.data(), end, percent);
  return error == std::errc() && next != piece.data() && next != end && *next == '%';
}

// "Archives with Errors: 3" -> 3.
bool ParseCount(std::string_view piece, std::string_view label, unsigned& count) {
  if (!StartsWith(piece, label)) return false;
  std::string_view rest = TrimLeft(piece.substr(label.size()));
  auto [next, error] = std::from_chars(rest.data(), rest.data() + rest.size(), count);
  return error == std::errc() && next != rest.data();
}

}  // namespace

void ForwardSevenZipError(I7zFileInfoCallback* receiver, int code) {
  if (receiver) receiver->OnError(code);
}

void ForwardSevenZipProgress(I7zFileInfoCallback* receiver, std::uint32_t low, std::uint32_t high) {
  if (receiver) receiver->OnProgress(low, high);
}

void SevenZipConsoleReader::OnPiece(std::string_view piece) {
  piece = TrimLeft(piece);
  unsigned value = 0;
  // The line after "System ERROR:" says what the system refused.
  const bool systemErrorText = std::exchange(afterSystemError_, false);
  if (systemErrorText || StartsWith(piece, "ERROR:") || StartsWith(piece, "System ERROR:")) NoteErrorLine(piece);
  if (StartsWith(piece, "System ERROR:")) afterSystemError_ = true;
  if (ParsePercent(piece, value)) {
    Progress(value);
  } else if (StartsWith(piece, "Enter password")) {
    // The prompt is answered with an empty line: the run goes on without a password.
    askedForPassword_ = true;
    Error(kSevenZipPasswordMissing);
  } else if (StartsWith(piece, "ERROR: Data Error")) {
    Error(kSevenZipDataError);
  } else if (ParseCount(piece, "Archives with Errors:", value) && value != 0) {
    Error(kSevenZipArchivesWithErrors);
  }
}

void SevenZipConsoleReader::OnEnd(SevenZipEnd end, int exitCode) {
  if (end == SevenZipEnd::Exited && exitCode == 0) Progress(100);
  if (int code = SevenZipStatusError(end, exitCode)) Error(code);
}

void SevenZipConsoleReader::NoteErrorLine(std::string_view piece) {
  if (StartsWith(piece, "System ERROR:") && piece.size() == std::string_view("System ERROR:").size()) return;
  if (errorLines_++ == 0) firstErrorLine_ = std::string(piece);
  auto says = [piece](std::string_view text) { return piece.find(text) != std::string_view::npos; };
  if (says("errno=28 ") || says("No space left on device") || says("not enough space")) diskFull_ = true;
  if (says("errno=30 ") || says("Read-only file system") || says("errno=13 ") || says("Permission denied")) {
    notWritable_ = true;
  }
}

void SevenZipConsoleReader::Error(int code) {
  if (hooks_.onError) hooks_.onError(hooks_.receiver, code);
}

void SevenZipConsoleReader::Progress(unsigned percent) {
  if (percent == 0 || percent > 100 || percent == lastPercent_) return;
  lastPercent_ = percent;
  if (hooks_.onProgress) hooks_.onProgress(hooks_.receiver, percent, 0);
}

int SevenZipStatusError(SevenZipEnd end, int exitCode) {
  switch (end) {
    case SevenZipEnd::NotStarted: return kSevenZipFatalError;
    case SevenZipEnd::Signalled: return kSevenZipUserBreak;
    case SevenZipEnd::Exited: break;
  }
  switch (exitCode) {
    case 0:
    case 1:  // warnings only
      return 0;
    case kSevenZipCommandLineError:
    case kSevenZipOutOfMemory:
    case kSevenZipUserBreak: return exitCode;
    default: return kSevenZipFatalError;
  }
}

}  // namespace install
