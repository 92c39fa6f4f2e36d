#include "base/version_gate.h"

#include "base/install_log.h"
#include "platform/system_info.h"

namespace base {

bool IsWindowsVersionAccepted(unsigned major, unsigned minor) { return major > 6 || (major == 6 && minor >= 1); }

// The oldest kernel the C runtime supports.
bool IsKernelVersionAccepted(unsigned major, unsigned minor) { return major > 3 || (major == 3 && minor >= 2); }

bool IsWindowsVersionSupported() {
  platform::KernelVersion version;
  if (platform::KernelVersionFromUname(version)) {
    WriteLog("Window Version : %d,%d", version.major, version.minor);
  } else {
    WriteLog("First get window version failed. Do second method.");
    if (platform::KernelVersionFromOsRelease(version)) {
      WriteLog("Window Version : %d,%d", version.major, version.minor);
    }
    if (version.major == 0) {
      WriteLog("Second get window version failed. Do third method.");
      platform::KernelVersionFromBanner(version);
      WriteLog("Window Version : %d,%d", version.major, version.minor);
    }
  }
  return IsKernelVersionAccepted(version.major, version.minor);
}

}  // namespace base
