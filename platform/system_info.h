#pragma once

#include <cstdint>
#include <string>

#include "platform/win_types.h"

namespace platform {

// True on 64-bit machines (uname machine x86_64, aarch64, ...).
bool IsNative64Bit();

struct KernelVersion {
  unsigned major = 0;
  unsigned minor = 0;
};
// The three ways the version gate asks for the kernel version, each tried only when
// the one before failed: uname(2), /proc/sys/kernel/osrelease, then the banner of
// /proc/version. Each returns false when it yields no numbers.
bool KernelVersionFromUname(KernelVersion& out);
bool KernelVersionFromOsRelease(KernelVersion& out);
bool KernelVersionFromBanner(KernelVersion& out);
// Parses "6.1.0-13-amd64" into 6, 1.
bool ParseKernelRelease(const std::string& release, KernelVersion& out);

// The Windows language id (0x0409, 0x0804, ...) of LC_ALL / LC_MESSAGES / LANG,
// 0x0409 when none is set or the locale is "C"/"POSIX".
LANGID GetSystemDefaultLangID();
// "zh_CN.UTF-8", "de", "pt_BR@euro" -> the Windows id, 0 for an unknown language.
LANGID LanguageIdFromLocaleName(const std::string& locale);

}  // namespace platform
