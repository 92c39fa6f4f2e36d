// Who this process runs as, for the choice of how the privileged steps are reached.
#pragma once

namespace platform {

// True when this process runs as root.
bool IsRunningAsRoot();

}  // namespace platform
