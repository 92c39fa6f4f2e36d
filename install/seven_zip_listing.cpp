#include "install/seven_zip_listing.h"

#include <charconv>
#include <string_view>

#include "install/seven_zip_program.h"

namespace install {

namespace {

bool SplitField(std::string_view line, std::string_view& key, std::string_view& value) {
  size_t equals = line.find(" = ");
  if (equals == std::string_view::npos) {
    // A field with an empty value may come without its trailing space.
    if (line.size() >= 2 && line.substr(line.size() - 2) == " =") {
      key = line.substr(0, line.size() - 2);
      value = {};
      return true;
    }
    return false;
  }
  key = line.substr(0, equals);
  value = line.substr(equals + 3);
  return true;
}

// Attributes hold Windows letters ("A", "D", "AL") and, for items made on unix, the
// mode ("lrwxrwxrwx"); some formats list only the mode.
void ClassifyAttributes(ArchiveEntry& entry) {
  std::string_view text = entry.attributes;
  while (!text.empty()) {
    size_t space = text.find(' ');
    std::string_view token = text.substr(0, space);
    text = space == std::string_view::npos ? std::string_view() : text.substr(space + 1);
    bool isMode = token.size() == 10 && std::string_view("-dlcbps").find(token.front()) != std::string_view::npos;
    if (isMode) {
      if (token.front() == 'l') entry.isLink = true;
    } else if (token.find('L') != std::string_view::npos) {
      entry.isReparsePoint = true;
    }
  }
}

}  // namespace

ArchiveListing ParseTechnicalListing(const std::vector<std::string>& lines) {
  ArchiveListing listing;
  ArchiveEntry current;
  bool inItem = false;
  auto finishItem = [&] {
    if (inItem) {
      ClassifyAttributes(current);
      if (!current.linkTarget.empty()) current.isLink = true;
      listing.entries.push_back(current);
    }
    current = ArchiveEntry();
    inItem = false;
  };
  for (const std::string& raw : lines) {
    // The program ends its lines with LF alone; a CR before it belongs to the value
    // (a name may end in one, and a link named so must not pass for another).
    std::string_view line = raw;
    std::string_view key, value;
    if (!listing.opened) {
      listing.opened = line == "----------";
      // The archive's own properties come before its items.
      if (!listing.opened && SplitField(line, key, value)) {
        if (key == "Offset") std::from_chars(value.data(), value.data() + value.size(), listing.offset);
        if (key == "Physical Size") std::from_chars(value.data(), value.data() + value.size(), listing.physicalSize);
      }
      continue;
    }
    if (line.empty() || !SplitField(line, key, value)) {
      finishItem();
      continue;
    }
    if (key == "Path") {
      finishItem();
      inItem = true;
      current.path = std::string(value);
    } else if (!inItem) {
      continue;
    } else if (key == "Attributes") {
      current.attributes = std::string(value);
    } else if (key == "Size") {
      std::from_chars(value.data(), value.data() + value.size(), current.size);
    } else if (key == "Symbolic Link") {
      current.linkTarget = std::string(value);
    } else if (key == "Hard Link") {
      current.hardLinkTarget = std::string(value);
    }
  }
  finishItem();
  return listing;
}

ArchiveListing ListArchive(const std::string& archive, const std::string& passwordSwitch, SevenZipConsoleReader* reader,
                           const std::atomic<bool>* cancel, bool onlySevenZip) {
  std::vector<std::string> argv = {kSevenZipProgram, "l", "-slt", "-bsp0", archive};
  if (onlySevenZip) argv.push_back("-t7z");
  if (!passwordSwitch.empty()) argv.push_back(passwordSwitch);
  platform::ChildProcessRequest request = SevenZipRequest(argv, !passwordSwitch.empty());
  // The listed times are not used. Without a TZ the C library looks at /etc/localtime
  // again for every one of them, which more than doubles the listing of a payload
  // with thousands of files.
  request.extraEnv.emplace_back("TZ", "UTC");
  request.cancel = cancel;
  std::vector<std::string> lines;
  request.onLine = [&](platform::ChildStream stream, std::string_view line) {
    if (stream == platform::ChildStream::Out) lines.emplace_back(line);
    if (reader) reader->OnPiece(line);
  };
  platform::ChildProcessResult result = platform::RunChildProcess(request);
  ArchiveListing listing = ParseTechnicalListing(lines);
  listing.started = result.outcome != platform::ChildOutcome::NotStarted;
  if (reader) {
    reader->OnEnd(result.outcome == platform::ChildOutcome::NotStarted  ? SevenZipEnd::NotStarted
                  : result.outcome == platform::ChildOutcome::Signalled ? SevenZipEnd::Signalled
                                                                        : SevenZipEnd::Exited,
                  result.exitCode);
  }
  return listing;
}

bool ReadLinkTargets(const std::string& archive, const std::string& passwordSwitch, ArchiveListing& listing) {
  std::vector<ArchiveEntry*> pending;
  std::uint64_t expected = 0;
  for (auto& entry : listing.entries) {
    if (entry.isLink && entry.linkTarget.empty()) {
      pending.push_back(&entry);
      expected += entry.size;
    }
  }
  if (pending.empty()) return true;
  // -spd: the names are names, not wildcards.
  std::vector<std::string> argv = {kSevenZipProgram, "x", "-so", "-spd", "-bsp0", archive};
  if (!passwordSwitch.empty()) argv.push_back(passwordSwitch);
  argv.push_back("--");
  for (const ArchiveEntry* entry : pending) argv.push_back(entry->path);
  platform::ChildProcessRequest request = SevenZipRequest(argv, !passwordSwitch.empty());
  request.captureStdout = true;
  platform::ChildProcessResult result = platform::RunChildProcess(request);
  if (result.outcome != platform::ChildOutcome::Exited || result.exitCode != 0) return false;
  if (result.stdoutBytes.size() != expected) return false;
  size_t offset = 0;
  for (ArchiveEntry* entry : pending) {
    entry->linkTarget = result.stdoutBytes.substr(offset, entry->size);
    offset += entry->size;
  }
  return true;
}

}  // namespace install
