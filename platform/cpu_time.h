// Processor time used so far, for benchmarks that must tell work from waiting on a
// machine that others load.
#pragma once

namespace platform {

struct CpuSeconds {
  double self = 0;      // this process, every thread, user and system time
  double children = 0;  // the children it has waited for
};

CpuSeconds GetCpuSeconds();

}  // namespace platform
