#include "platform/crash_dump.h"

#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <time.h>
#include <ucontext.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace platform {

namespace {

constexpr int kMaxModules = 256;
constexpr int kMaxDumpPath = 320;  // a loaded module's path; not the product limit kMaxPath
constexpr int kMaxBuildIdBytes = 32;
constexpr int kMaxFrames = 64;
constexpr uintptr_t kStackBelowSp = 128;  // the x86-64 red zone
constexpr uintptr_t kStackSliceBytes = 16384;
constexpr uintptr_t kStackChunk = 512;  // never crosses a page boundary
constexpr uintptr_t kMaxFrameDistance = 16 << 20;

struct ModuleRecord {
  uintptr_t base = 0;
  char path[kMaxDumpPath] = {};
  char buildId[kMaxBuildIdBytes * 2 + 1] = {};
};

ModuleRecord modules[kMaxModules];
std::atomic<int> moduleCount{0};

// ---- preparation (ordinary context) ----

void CopyText(char* target, size_t size, const char* source) {
  std::strncpy(target, source, size - 1);
  target[size - 1] = '\0';
}

void HexOf(const unsigned char* bytes, size_t count, char* out) {
  static const char digits[] = "0123456789abcdef";
  for (size_t i = 0; i < count; ++i) {
    out[2 * i] = digits[bytes[i] >> 4];
    out[2 * i + 1] = digits[bytes[i] & 0xF];
  }
  out[2 * count] = '\0';
}

void ReadBuildId(const dl_phdr_info* info, char* out) {
  out[0] = '\0';
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& header = info->dlpi_phdr[i];
    if (header.p_type != PT_NOTE) continue;
    const size_t align = header.p_align == 8 ? 8 : 4;
    const auto* cursor = reinterpret_cast<const unsigned char*>(info->dlpi_addr + header.p_vaddr);
    const unsigned char* end = cursor + header.p_memsz;
    while (cursor + sizeof(ElfW(Nhdr)) <= end) {
      const auto* note = reinterpret_cast<const ElfW(Nhdr)*>(cursor);
      const unsigned char* name = cursor + sizeof(ElfW(Nhdr));
      const unsigned char* desc = name + ((note->n_namesz + align - 1) & ~(align - 1));
      if (desc + note->n_descsz > end) break;
      if (note->n_type == NT_GNU_BUILD_ID && note->n_namesz == 4 && std::memcmp(name, "GNU", 4) == 0) {
        const size_t bytes = note->n_descsz < kMaxBuildIdBytes ? note->n_descsz : kMaxBuildIdBytes;
        HexOf(desc, bytes, out);
        return;
      }
      cursor = desc + ((note->n_descsz + align - 1) & ~(align - 1));
    }
  }
}

int RecordModule(dl_phdr_info* info, size_t, void*) {
  const int index = moduleCount.load();
  if (index >= kMaxModules) return 1;
  ModuleRecord& record = modules[index];
  record.base = info->dlpi_addr;
  if (info->dlpi_name != nullptr && info->dlpi_name[0] != '\0') {
    CopyText(record.path, sizeof record.path, info->dlpi_name);
  } else if (index == 0) {
    const ssize_t length = readlink("/proc/self/exe", record.path, sizeof record.path - 1);
    record.path[length > 0 ? length : 0] = '\0';
  }
  ReadBuildId(info, record.buildId);
  moduleCount.store(index + 1);
  return 0;
}

// ---- writing (signal context: async-signal-safe calls only) ----

class SafeWriter {
 public:
  explicit SafeWriter(int fd) : fd_(fd) {}
  ~SafeWriter() { Flush(); }

  void Char(char c) {
    if (used_ == sizeof buffer_) Flush();
    buffer_[used_++] = c;
  }
  void Text(const char* text) {
    while (*text != '\0') Char(*text++);
  }
  void Bytes(const char* data, size_t size) {
    for (size_t i = 0; i < size; ++i) Char(data[i]);
  }
  void Hex(uint64_t value) {
    static const char digits[] = "0123456789abcdef";
    Text("0x");
    for (int shift = 60; shift >= 0; shift -= 4) Char(digits[(value >> shift) & 0xF]);
  }
  void Decimal(int64_t value) {
    char digits[24];
    int count = 0;
    const bool negative = value < 0;
    uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    do {
      digits[count++] = static_cast<char>('0' + magnitude % 10);
      magnitude /= 10;
    } while (magnitude != 0);
    if (negative) Char('-');
    while (count > 0) Char(digits[--count]);
  }
  void Line(const char* key, uint64_t hexValue) {
    Text(key);
    Char(' ');
    Hex(hexValue);
    Char('\n');
  }
  void Flush() {
    size_t written = 0;
    while (written < used_) {
      const ssize_t result = write(fd_, buffer_ + written, used_ - written);
      if (result < 0) {
        if (errno == EINTR) continue;
        break;
      }
      written += static_cast<size_t>(result);
    }
    used_ = 0;
  }

 private:
  int fd_;
  char buffer_[4096];
  size_t used_ = 0;
};

// Reads memory that may not be mapped: the kernel copies it into a pipe and answers
// EFAULT instead of raising a second fault.
class SafeMemoryReader {
 public:
  SafeMemoryReader() { valid_ = pipe2(fds_, O_CLOEXEC | O_NONBLOCK) == 0; }
  ~SafeMemoryReader() {
    if (!valid_) return;
    close(fds_[0]);
    close(fds_[1]);
  }
  // `size` at most one page, and not crossing a page boundary.
  bool Read(uintptr_t address, void* out, size_t size) {
    if (!valid_ || address == 0) return false;
    // Raw system calls: a sanitizer's write() would check the memory itself.
    const long written = syscall(SYS_write, fds_[1], address, size);
    if (written <= 0) return false;
    const long got = syscall(SYS_read, fds_[0], out, static_cast<size_t>(written));
    return written == static_cast<long>(size) && got == written;
  }
  bool ReadWord(uintptr_t address, uintptr_t& out) { return Read(address, &out, sizeof out); }

 private:
  int fds_[2] = {-1, -1};
  bool valid_ = false;
};

const char* SignalName(int signalNumber) {
  switch (signalNumber) {
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGILL: return "SIGILL";
    case SIGFPE: return "SIGFPE";
    case SIGABRT: return "SIGABRT";
    default: return "SIGNAL";
  }
}

struct MachineState {
  uintptr_t pc = 0;
  uintptr_t sp = 0;
  uintptr_t fp = 0;
};

MachineState WriteRegisters(SafeWriter& out, const ucontext_t* context) {
  MachineState state;
  out.Text("registers\n");
  if (context == nullptr) return state;
#if defined(__x86_64__)
  static const char* const names[] = {"r8",  "r9",  "r10", "r11", "r12", "r13", "r14", "r15", "rdi",
                                      "rsi", "rbp", "rbx", "rdx", "rax", "rcx", "rsp", "rip", "eflags"};
  for (int i = 0; i < static_cast<int>(sizeof names / sizeof names[0]); ++i) {
    out.Line(names[i], static_cast<uint64_t>(context->uc_mcontext.gregs[i]));
  }
  state.pc = static_cast<uintptr_t>(context->uc_mcontext.gregs[REG_RIP]);
  state.sp = static_cast<uintptr_t>(context->uc_mcontext.gregs[REG_RSP]);
  state.fp = static_cast<uintptr_t>(context->uc_mcontext.gregs[REG_RBP]);
#elif defined(__aarch64__)
  static const char* const names[] = {"x0",  "x1",  "x2",  "x3",  "x4",  "x5",  "x6",  "x7",  "x8",  "x9",  "x10",
                                      "x11", "x12", "x13", "x14", "x15", "x16", "x17", "x18", "x19", "x20", "x21",
                                      "x22", "x23", "x24", "x25", "x26", "x27", "x28", "x29", "x30"};
  for (int i = 0; i < 31; ++i) out.Line(names[i], context->uc_mcontext.regs[i]);
  out.Line("sp", context->uc_mcontext.sp);
  out.Line("pc", context->uc_mcontext.pc);
  state.pc = context->uc_mcontext.pc;
  state.sp = context->uc_mcontext.sp;
  state.fp = context->uc_mcontext.regs[29];
#endif
  return state;
}

// The faulting address, then the return addresses of the frame-pointer chain. Code
// built without frame pointers ends the chain early; the stack slice below still
// holds its return addresses.
void WriteFrames(SafeWriter& out, SafeMemoryReader& memory, const MachineState& state) {
  out.Text("frames\n");
  if (state.pc == 0) return;
  out.Hex(state.pc);
  out.Char('\n');
  uintptr_t fp = state.fp;
  for (int frame = 1; frame < kMaxFrames; ++frame) {
    if (fp < state.sp || fp - state.sp > kMaxFrameDistance || fp % sizeof(uintptr_t) != 0) break;
    uintptr_t next = 0;
    uintptr_t returnAddress = 0;
    if (!memory.ReadWord(fp, next) || !memory.ReadWord(fp + sizeof(uintptr_t), returnAddress)) break;
    if (returnAddress == 0) break;
    out.Hex(returnAddress);
    out.Char('\n');
    if (next <= fp) break;
    fp = next;
  }
}

void WriteStackSlice(SafeWriter& out, SafeMemoryReader& memory, uintptr_t sp) {
  if (sp == 0) return;
  const uintptr_t start = (sp - kStackBelowSp) & ~(kStackChunk - 1);
  out.Line("stack", start);
  uintptr_t words[kStackChunk / sizeof(uintptr_t)];
  bool readAny = false;
  for (uintptr_t chunk = start; chunk < start + kStackSliceBytes; chunk += kStackChunk) {
    if (!memory.Read(chunk, words, sizeof words)) {
      // After a stack overflow the slice starts in the guard page.
      if (readAny) break;
      continue;
    }
    readAny = true;
    for (size_t i = 0; i < sizeof words / sizeof words[0]; i += 4) {
      out.Hex(chunk + i * sizeof(uintptr_t));
      for (size_t j = i; j < i + 4; ++j) {
        out.Char(' ');
        out.Hex(words[j]);
      }
      out.Char('\n');
    }
  }
}

void WriteModules(SafeWriter& out) {
  out.Text("modules\n");
  const int count = moduleCount.load();
  for (int i = 0; i < count; ++i) {
    out.Hex(modules[i].base);
    out.Char(' ');
    out.Text(modules[i].buildId[0] != '\0' ? modules[i].buildId : "-");
    out.Char(' ');
    out.Text(modules[i].path);
    out.Char('\n');
  }
}

void WriteMaps(SafeWriter& out) {
  out.Text("maps\n");
  const int fd = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  char chunk[1024];
  for (;;) {
    const ssize_t got = read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    out.Bytes(chunk, static_cast<size_t>(got));
  }
  close(fd);
}

// The dump goes to a folder of the desktop user: a link or a device placed at its
// name is left as it is (no O_TRUNC before the check; a FIFO must not block).
int OpenDumpFile(const char* path) {
  const int fd = open(path, O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
  if (fd < 0) return -1;
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || ftruncate(fd, 0) != 0) {
    close(fd);
    return -1;
  }
  const int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

}  // namespace

void PrepareCrashDump() {
  if (moduleCount.load() == 0) dl_iterate_phdr(RecordModule, nullptr);
}

bool WriteCrashDump(const CrashContext& context, const char* path) {
  const int fd = OpenDumpFile(path);
  if (fd < 0) return false;
  {
    SafeWriter out(fd);
    SafeMemoryReader memory;
    const auto* info = static_cast<const siginfo_t*>(context.signalInfo);
    out.Text("corvex crash dump 1\n");
    out.Text("signal ");
    out.Decimal(context.signalNumber);
    out.Char(' ');
    out.Text(SignalName(context.signalNumber));
    out.Char('\n');
    if (info != nullptr) {
      out.Text("code ");
      out.Decimal(info->si_code);
      out.Char('\n');
      out.Line("fault_address", reinterpret_cast<uintptr_t>(info->si_addr));
    }
    out.Text("pid ");
    out.Decimal(getpid());
    out.Text("\ntid ");
    out.Decimal(static_cast<int64_t>(syscall(SYS_gettid)));
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    out.Text("\ntime ");
    out.Decimal(now.tv_sec);
    out.Char('\n');
    const MachineState state = WriteRegisters(out, static_cast<const ucontext_t*>(context.userContext));
    WriteFrames(out, memory, state);
    WriteStackSlice(out, memory, state.sp);
    WriteModules(out);
    WriteMaps(out);
    out.Text("end\n");
  }
  close(fd);
  return true;
}

}  // namespace platform
