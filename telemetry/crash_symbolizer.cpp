#include "telemetry/crash_symbolizer.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "platform/elf_symbols.h"

namespace telemetry {

namespace {

constexpr std::size_t kMaxStackCandidates = 64;

bool ParseHex(const std::string& text, std::uint64_t& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  out = std::strtoull(text.c_str(), &end, 16);
  return end != nullptr && *end == '\0';
}

bool ParseMapsLine(const std::string& line, MemoryMapping& out) {
  std::istringstream fields(line);
  std::string range, perms, offset, device, inode;
  if (!(fields >> range >> perms >> offset >> device >> inode)) return false;
  const auto dash = range.find('-');
  if (dash == std::string::npos || perms.size() < 3) return false;
  if (!ParseHex(range.substr(0, dash), out.start) || !ParseHex(range.substr(dash + 1), out.end) ||
      !ParseHex(offset, out.fileOffset)) {
    return false;
  }
  out.executable = perms[2] == 'x';
  std::getline(fields, out.path);
  const auto first = out.path.find_first_not_of(' ');
  out.path = first == std::string::npos ? std::string() : out.path.substr(first);
  return true;
}

enum class Section { None, Frames, Stack, Maps, Other };

class Symboliser {
 public:
  explicit Symboliser(const std::vector<MemoryMapping>& mappings) : mappings_(mappings) {}

  // "CrashByNullDereference()+0x10 (/path/program+0x1139)", empty when unknown. A
  // return address is looked up one byte back, inside its call instruction.
  std::string Describe(std::uint64_t address, bool isReturnAddress) {
    const MemoryMapping* mapping = MappingOf(address);
    if (mapping == nullptr || mapping->path.empty() || mapping->path[0] != '/') return {};
    const std::uint64_t fileOffset = address - mapping->start + mapping->fileOffset;
    char where[64];
    std::snprintf(where, sizeof where, "+0x%llx)", static_cast<unsigned long long>(fileOffset));
    platform::ElfFunction function;
    const ModuleSymbols* module = ModuleOf(mapping->path);
    const std::uint64_t lookup = isReturnAddress && fileOffset > 0 ? fileOffset - 1 : fileOffset;
    if (module == nullptr || !module->Find(lookup, function)) return "?? (" + mapping->path + where;
    if (isReturnAddress) ++function.offset;
    char offset[32];
    std::snprintf(offset, sizeof offset, "+0x%llx", static_cast<unsigned long long>(function.offset));
    return function.name + offset + " (" + mapping->path + where;
  }

  bool IsCode(std::uint64_t address) const {
    const MemoryMapping* mapping = MappingOf(address);
    return mapping != nullptr && mapping->executable && !mapping->path.empty() && mapping->path[0] == '/';
  }

 private:
  const MemoryMapping* MappingOf(std::uint64_t address) const {
    for (const MemoryMapping& mapping : mappings_) {
      if (address >= mapping.start && address < mapping.end) return &mapping;
    }
    return nullptr;
  }

  // A module's own symbols, and those of its installed debug file when it is stripped.
  struct ModuleSymbols {
    platform::ElfSymbolTable file;
    std::unique_ptr<platform::ElfSymbolTable> debugFile;

    bool Find(std::uint64_t fileOffset, platform::ElfFunction& out) const {
      std::uint64_t address = 0;
      if (!file.AddressOfFileOffset(fileOffset, address)) return false;
      return debugFile ? debugFile->FindByAddress(address, out) : file.FindByAddress(address, out);
    }
  };

  const ModuleSymbols* ModuleOf(const std::string& path) {
    auto found = modules_.find(path);
    if (found == modules_.end()) {
      auto module = std::make_unique<ModuleSymbols>();
      if (!module->file.Load(path)) {
        module.reset();
      } else if (!module->file.HasFullSymbolTable()) {
        auto debugFile = std::make_unique<platform::ElfSymbolTable>();
        if (debugFile->Load(platform::DebugFileForBuildId(module->file.BuildId())) && debugFile->HasFullSymbolTable()) {
          module->debugFile = std::move(debugFile);
        }
      }
      found = modules_.emplace(path, std::move(module)).first;
    }
    return found->second.get();
  }

  const std::vector<MemoryMapping>& mappings_;
  std::map<std::string, std::unique_ptr<ModuleSymbols>> modules_;
};

std::string HexText(std::uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%016llx", static_cast<unsigned long long>(value));
  return text;
}

}  // namespace

CrashDumpContents ParseCrashDump(const std::string& dumpText) {
  CrashDumpContents contents;
  std::istringstream lines(dumpText);
  std::string line;
  Section section = Section::None;
  while (std::getline(lines, line)) {
    if (line == "frames") {
      section = Section::Frames;
      continue;
    }
    if (line.rfind("stack ", 0) == 0) {
      section = Section::Stack;
      continue;
    }
    if (line == "maps") {
      section = Section::Maps;
      continue;
    }
    if (line == "registers" || line == "modules" || line == "end" || line == "symbolised") {
      section = Section::Other;
      continue;
    }
    std::uint64_t value = 0;
    switch (section) {
      case Section::Frames:
        if (ParseHex(line, value)) contents.frames.push_back(value);
        break;
      case Section::Stack: {
        std::istringstream words(line);
        std::string word;
        words >> word;  // the address of the line
        while (words >> word) {
          if (ParseHex(word, value)) contents.stackWords.push_back(value);
        }
        break;
      }
      case Section::Maps: {
        MemoryMapping mapping;
        if (ParseMapsLine(line, mapping)) contents.mappings.push_back(mapping);
        break;
      }
      default: break;
    }
  }
  return contents;
}

std::string SymboliseCrashDump(const std::string& dumpText) {
  const CrashDumpContents contents = ParseCrashDump(dumpText);
  Symboliser symboliser(contents.mappings);
  std::string out = "symbolised\n";
  for (std::size_t i = 0; i < contents.frames.size(); ++i) {
    const std::uint64_t address = contents.frames[i];
    const std::string name = symboliser.Describe(address, i != 0);
    out += '#';
    out += std::to_string(i);
    out += ' ';
    out += HexText(address);
    out += ' ';
    out += name.empty() ? "??" : name;
    out += '\n';
  }
  out += "stack_candidates\n";
  std::set<std::uint64_t> seen;
  for (const std::uint64_t word : contents.stackWords) {
    if (seen.size() >= kMaxStackCandidates) break;
    if (!symboliser.IsCode(word) || !seen.insert(word).second) continue;
    out += HexText(word) + " " + symboliser.Describe(word, true) + "\n";
  }
  out += "end\n";
  return out;
}

bool AppendSymbolisedFrames(const std::string& dumpPath) {
  std::ifstream in(dumpPath, std::ios::binary);
  if (!in) return false;
  std::ostringstream text;
  text << in.rdbuf();
  in.close();
  std::ofstream out(dumpPath, std::ios::binary | std::ios::app);
  if (!out) return false;
  out << SymboliseCrashDump(text.str());
  return static_cast<bool>(out);
}

}  // namespace telemetry
