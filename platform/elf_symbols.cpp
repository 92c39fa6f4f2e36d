#include "platform/elf_symbols.h"

#include <cxxabi.h>
#include <elf.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace platform {

namespace {

constexpr std::uint64_t kMaxElfFileSize = 1ull << 30;

std::string Demangle(const char* name) {
  int status = 0;
  char* demangled = abi::__cxa_demangle(name, nullptr, nullptr, &status);
  if (status != 0 || demangled == nullptr) return name;
  std::string text(demangled);
  std::free(demangled);
  return text;
}

bool InFile(const std::string& image, std::uint64_t offset, std::uint64_t size) {
  return offset <= image.size() && size <= image.size() - offset;
}

template <typename T>
const T* At(const std::string& image, std::uint64_t offset) {
  if (!InFile(image, offset, sizeof(T))) return nullptr;
  return reinterpret_cast<const T*>(image.data() + offset);
}

std::string BuildIdOfNotes(const std::string& image, std::uint64_t offset, std::uint64_t size, std::uint64_t align) {
  if (!InFile(image, offset, size)) return {};
  if (align < 4) align = 4;
  std::uint64_t cursor = offset;
  const std::uint64_t end = offset + size;
  while (cursor + sizeof(Elf64_Nhdr) <= end) {
    const auto* note = At<Elf64_Nhdr>(image, cursor);
    const std::uint64_t name = cursor + sizeof(Elf64_Nhdr);
    const std::uint64_t desc = name + ((note->n_namesz + align - 1) & ~(align - 1));
    if (desc + note->n_descsz > end) break;
    if (note->n_type == NT_GNU_BUILD_ID && note->n_namesz == 4 && std::memcmp(image.data() + name, "GNU", 4) == 0) {
      static const char digits[] = "0123456789abcdef";
      std::string hex;
      for (std::uint64_t i = 0; i < note->n_descsz; ++i) {
        const auto byte = static_cast<unsigned char>(image[desc + i]);
        hex += digits[byte >> 4];
        hex += digits[byte & 0xF];
      }
      return hex;
    }
    cursor = desc + ((note->n_descsz + align - 1) & ~(align - 1));
  }
  return {};
}

}  // namespace

bool ElfSymbolTable::Load(const std::string& path) {
  segments_.clear();
  functions_.clear();
  buildId_.clear();
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  file.seekg(0, std::ios::end);
  const std::streamoff length = file.tellg();
  if (length <= 0 || static_cast<std::uint64_t>(length) > kMaxElfFileSize) return false;
  file.seekg(0);
  std::string image(static_cast<size_t>(length), '\0');
  if (!file.read(image.data(), length)) return false;

  const auto* header = At<Elf64_Ehdr>(image, 0);
  if (header == nullptr || std::memcmp(header->e_ident, ELFMAG, SELFMAG) != 0 ||
      header->e_ident[EI_CLASS] != ELFCLASS64) {
    return false;
  }
  for (unsigned i = 0; i < header->e_phnum; ++i) {
    const auto* program = At<Elf64_Phdr>(image, header->e_phoff + std::uint64_t{i} * header->e_phentsize);
    if (program == nullptr) break;
    if (program->p_type == PT_LOAD) segments_.push_back({program->p_offset, program->p_filesz, program->p_vaddr});
    if (program->p_type == PT_NOTE && buildId_.empty()) {
      buildId_ = BuildIdOfNotes(image, program->p_offset, program->p_filesz, program->p_align);
    }
  }

  std::vector<const Elf64_Shdr*> sections;
  for (unsigned i = 0; i < header->e_shnum; ++i) {
    const auto* section = At<Elf64_Shdr>(image, header->e_shoff + std::uint64_t{i} * header->e_shentsize);
    if (section == nullptr) break;
    sections.push_back(section);
  }
  for (const Elf64_Word wanted : {static_cast<Elf64_Word>(SHT_SYMTAB), static_cast<Elf64_Word>(SHT_DYNSYM)}) {
    for (const Elf64_Shdr* section : sections) {
      if (section->sh_type != wanted || section->sh_entsize != sizeof(Elf64_Sym)) continue;
      if (section->sh_link >= sections.size()) continue;
      const Elf64_Shdr* strings = sections[section->sh_link];
      if (!InFile(image, section->sh_offset, section->sh_size) ||
          !InFile(image, strings->sh_offset, strings->sh_size)) {
        continue;
      }
      for (std::uint64_t at = 0; at + sizeof(Elf64_Sym) <= section->sh_size; at += sizeof(Elf64_Sym)) {
        const auto* symbol = At<Elf64_Sym>(image, section->sh_offset + at);
        const int type = ELF64_ST_TYPE(symbol->st_info);
        if ((type != STT_FUNC && type != STT_GNU_IFUNC) || symbol->st_shndx == SHN_UNDEF || symbol->st_value == 0) {
          continue;
        }
        if (symbol->st_name >= strings->sh_size) continue;
        const char* name = image.data() + strings->sh_offset + symbol->st_name;
        const size_t maxLength = strings->sh_size - symbol->st_name;
        functions_.push_back({symbol->st_value, symbol->st_size, std::string(name, strnlen(name, maxLength))});
      }
    }
    if (!functions_.empty()) {  // .dynsym only when there is no full table
      hasFullSymbolTable_ = wanted == SHT_SYMTAB;
      break;
    }
  }
  std::sort(functions_.begin(), functions_.end(),
            [](const Function& a, const Function& b) { return a.address < b.address; });
  return true;
}

bool ElfSymbolTable::AddressOfFileOffset(std::uint64_t fileOffset, std::uint64_t& address) const {
  const auto segment = std::find_if(segments_.begin(), segments_.end(), [&](const Segment& s) {
    return fileOffset >= s.fileOffset && fileOffset < s.fileOffset + s.fileSize;
  });
  if (segment == segments_.end()) return false;
  address = fileOffset - segment->fileOffset + segment->address;
  return true;
}

bool ElfSymbolTable::FindByFileOffset(std::uint64_t fileOffset, ElfFunction& out) const {
  std::uint64_t address = 0;
  return AddressOfFileOffset(fileOffset, address) && FindByAddress(address, out);
}

bool ElfSymbolTable::FindByAddress(std::uint64_t address, ElfFunction& out) const {
  auto after = std::upper_bound(functions_.begin(), functions_.end(), address,
                                [](std::uint64_t value, const Function& f) { return value < f.address; });
  if (after == functions_.begin()) return false;
  const Function& candidate = *std::prev(after);
  if (candidate.size != 0 && address >= candidate.address + candidate.size) return false;
  out.name = Demangle(candidate.name.c_str());
  out.offset = address - candidate.address;
  return true;
}

std::string DebugFileForBuildId(const std::string& buildId) {
  if (buildId.size() < 3) return {};
  return "/usr/lib/debug/.build-id/" + buildId.substr(0, 2) + "/" + buildId.substr(2) + ".debug";
}

}  // namespace platform
