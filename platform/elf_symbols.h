// The function symbols of an ELF file, for naming the frames of a crash dump.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct ElfFunction {
  std::string name;          // demangled where it is a C++ name
  std::uint64_t offset = 0;  // of the looked-up address into the function
};

class ElfSymbolTable {
 public:
  // Reads the function symbols (.symtab, else .dynsym) and the loadable segments of
  // a 64-bit ELF file. False when the file is not one or cannot be read.
  bool Load(const std::string& path);

  // The link-time address of the byte at `fileOffset` of the file (an address inside
  // a mapping of the file, translated by the mapping's start and file offset).
  bool AddressOfFileOffset(std::uint64_t fileOffset, std::uint64_t& address) const;
  // The function holding the link-time `address`.
  bool FindByAddress(std::uint64_t address, ElfFunction& out) const;
  bool FindByFileOffset(std::uint64_t fileOffset, ElfFunction& out) const;

  // False for a stripped file that has only its dynamic symbols.
  bool HasFullSymbolTable() const { return hasFullSymbolTable_; }
  const std::string& BuildId() const { return buildId_; }

 private:
  struct Segment {
    std::uint64_t fileOffset = 0;
    std::uint64_t fileSize = 0;
    std::uint64_t address = 0;
  };
  struct Function {
    std::uint64_t address = 0;
    std::uint64_t size = 0;
    std::string name;
  };
  std::vector<Segment> segments_;
  std::vector<Function> functions_;  // sorted by address
  std::string buildId_;
  bool hasFullSymbolTable_ = false;
};

// Where a separate debug file of a stripped module with this build id is installed:
// /usr/lib/debug/.build-id/ab/cdef....debug. Empty for an empty id.
std::string DebugFileForBuildId(const std::string& buildId);

}  // namespace platform
