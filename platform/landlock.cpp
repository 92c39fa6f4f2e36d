#include "platform/landlock.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdint>
#include <utility>

#ifndef SYS_landlock_create_ruleset
#define SYS_landlock_create_ruleset 444
#define SYS_landlock_add_rule 445
#define SYS_landlock_restrict_self 446
#endif

namespace platform {
namespace {

// The kernel's interface, spelt out here: the installed headers may predate the
// ABI the kernel offers.
constexpr std::uint32_t kCreateRulesetVersion = 1U << 0;
constexpr int kRulePathBeneath = 1;

enum : std::uint64_t {
  kFsExecute = 1ULL << 0,
  kFsWriteFile = 1ULL << 1,
  kFsReadFile = 1ULL << 2,
  kFsReadDir = 1ULL << 3,
  kFsRemoveDir = 1ULL << 4,
  kFsRemoveFile = 1ULL << 5,
  kFsMakeChar = 1ULL << 6,
  kFsMakeDir = 1ULL << 7,
  kFsMakeReg = 1ULL << 8,
  kFsMakeSock = 1ULL << 9,
  kFsMakeFifo = 1ULL << 10,
  kFsMakeBlock = 1ULL << 11,
  kFsMakeSym = 1ULL << 12,
  kFsRefer = 1ULL << 13,     // ABI 2
  kFsTruncate = 1ULL << 14,  // ABI 3
  kFsIoctlDev = 1ULL << 15,  // ABI 5
};
constexpr std::uint64_t kNetBindTcp = 1ULL << 0;  // ABI 4
constexpr std::uint64_t kNetConnectTcp = 1ULL << 1;
constexpr std::uint64_t kScopeAbstractUnixSocket = 1ULL << 0;  // ABI 6
constexpr std::uint64_t kScopeSignal = 1ULL << 1;

struct RulesetAttr {
  std::uint64_t handledAccessFs;
  std::uint64_t handledAccessNet;
  std::uint64_t scoped;
};

struct __attribute__((packed)) PathBeneathAttr {
  std::uint64_t allowedAccess;
  std::int32_t parentFd;
};

// Rights that a rule on a file (not a folder) may carry.
constexpr std::uint64_t kFileRights = kFsExecute | kFsWriteFile | kFsReadFile | kFsTruncate | kFsIoctlDev;

std::uint64_t HandledFsRights(int abi) {
  std::uint64_t rights = (kFsMakeSym << 1) - 1;
  if (abi >= 2) rights |= kFsRefer;
  if (abi >= 3) rights |= kFsTruncate;
  if (abi >= 5) rights |= kFsIoctlDev;
  return rights;
}

// What a program needs to start and to run: its binary, the libraries, the locale
// data, the loader's cache, and the processor count it sizes its threads by.
constexpr const char* kSystemReadable[] = {
    "/usr", "/lib", "/lib64", "/bin", "/etc/ld.so.cache", "/etc/localtime", "/sys/devices/system/cpu"};

// Adds a rule for `path` when it exists; false when it exists and cannot be added.
bool AddRule(int ruleset, const char* path, std::uint64_t folderRights, std::uint64_t handled, bool required) {
  const int fd = ::open(path, O_PATH | O_CLOEXEC);
  if (fd < 0) return !required;
  struct stat info {};
  bool added = false;
  if (::fstat(fd, &info) == 0) {
    PathBeneathAttr rule{};
    rule.allowedAccess = (S_ISDIR(info.st_mode) ? folderRights : folderRights & kFileRights) & handled;
    rule.parentFd = fd;
    added = rule.allowedAccess == 0 || ::syscall(SYS_landlock_add_rule, ruleset, kRulePathBeneath, &rule, 0) == 0;
  }
  ::close(fd);
  return added || !required;
}

}  // namespace

int LandlockAbi() {
  const long abi = ::syscall(SYS_landlock_create_ruleset, nullptr, 0, kCreateRulesetVersion);
  return abi > 0 ? static_cast<int>(abi) : 0;
}

FileConfinement::FileConfinement(FileConfinement&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)), abi_(std::exchange(other.abi_, 0)) {}

FileConfinement& FileConfinement::operator=(FileConfinement&& other) noexcept {
  if (this != &other) {
    if (descriptor_ >= 0) ::close(descriptor_);
    descriptor_ = std::exchange(other.descriptor_, -1);
    abi_ = std::exchange(other.abi_, 0);
  }
  return *this;
}

FileConfinement::~FileConfinement() {
  if (descriptor_ >= 0) ::close(descriptor_);
}

FileConfinement FileConfinement::Create(const std::vector<std::string>& readableFiles,
                                        const std::vector<std::string>& writableFolders) {
  FileConfinement confinement;
  const int abi = LandlockAbi();
  if (abi <= 0) return confinement;
  const std::uint64_t handled = HandledFsRights(abi);
  RulesetAttr attr{};
  attr.handledAccessFs = handled;
  if (abi >= 4) attr.handledAccessNet = kNetBindTcp | kNetConnectTcp;
  if (abi >= 6) attr.scoped = kScopeAbstractUnixSocket | kScopeSignal;
  const long fd = ::syscall(SYS_landlock_create_ruleset, &attr, sizeof(attr), 0);
  if (fd < 0) return confinement;
  confinement.descriptor_ = static_cast<int>(fd);
  confinement.abi_ = abi;

  const std::uint64_t readRights = kFsExecute | kFsReadFile | kFsReadDir;
  const std::uint64_t writeRights = kFsWriteFile | kFsReadFile | kFsReadDir | kFsRemoveDir | kFsRemoveFile |
                                    kFsMakeDir | kFsMakeReg | kFsMakeSym | kFsRefer | kFsTruncate;
  bool complete = true;
  for (const char* path : kSystemReadable)
    complete = complete && AddRule(confinement.descriptor_, path, readRights, handled, false);
  for (const std::string& file : readableFiles)
    complete = complete && AddRule(confinement.descriptor_, file.c_str(), kFsReadFile, handled, true);
  for (const std::string& folder : writableFolders)
    complete = complete && AddRule(confinement.descriptor_, folder.c_str(), writeRights, handled, true);
  if (!complete) return FileConfinement();
  return confinement;
}

bool EnforceConfinement(int rulesetDescriptor) {
  if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) return false;
  return ::syscall(SYS_landlock_restrict_self, rulesetDescriptor, 0) == 0;
}

}  // namespace platform
