#include "platform/elevation.h"

#include <unistd.h>

namespace platform {

bool IsRunningAsRoot() { return ::geteuid() == 0; }

}  // namespace platform
