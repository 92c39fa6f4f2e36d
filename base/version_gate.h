// The system version gate applied before an installation.
#pragma once

namespace base {

// The decision alone, on the numbers of either system: Windows (6.1 and later) or
// Linux kernels (3.2 and later; see IsKernelVersionAccepted).
bool IsWindowsVersionAccepted(unsigned major, unsigned minor);
bool IsKernelVersionAccepted(unsigned major, unsigned minor);

// Asks for the kernel version in up to three ways, logging each result, and decides.
bool IsWindowsVersionSupported();

}  // namespace base
