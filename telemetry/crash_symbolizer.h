// Names the frames of a crash dump. Runs in the reporter process, never in the
// crashed one: it reads the modules' symbol tables from disk.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace telemetry {

struct MemoryMapping {
  std::uint64_t start = 0;
  std::uint64_t end = 0;
  std::uint64_t fileOffset = 0;
  bool executable = false;
  std::string path;  // empty or "[stack]"-like for memory without a file
};

struct CrashDumpContents {
  std::vector<std::uint64_t> frames;      // the faulting address first
  std::vector<std::uint64_t> stackWords;  // the words of the stack slice, in order
  std::vector<MemoryMapping> mappings;
};

CrashDumpContents ParseCrashDump(const std::string& dumpText);

// The section appended to a dump:
//   symbolised
//   #0 0x000055d5c3a01139 CrashByNullDereference()+0x10 (/path/program+0x1139)
//   stack_candidates
//   0x000055d5c3a01187 main+0x1e (/path/program+0x1187)
//   end
// Return addresses are looked up one byte back, inside their call instruction, and
// shown with their own offsets.
std::string SymboliseCrashDump(const std::string& dumpText);

// Appends the section to the dump file. False when it cannot be read or written.
bool AppendSymbolisedFrames(const std::string& dumpPath);

}  // namespace telemetry
