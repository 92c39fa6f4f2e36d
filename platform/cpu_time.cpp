#include "platform/cpu_time.h"

#include <sys/resource.h>

namespace platform {
namespace {

double Seconds(const rusage& usage) {
  auto toSeconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return toSeconds(usage.ru_utime) + toSeconds(usage.ru_stime);
}

}  // namespace

CpuSeconds GetCpuSeconds() {
  CpuSeconds seconds;
  rusage usage{};
  if (getrusage(RUSAGE_SELF, &usage) == 0) seconds.self = Seconds(usage);
  if (getrusage(RUSAGE_CHILDREN, &usage) == 0) seconds.children = Seconds(usage);
  return seconds;
}

}  // namespace platform
