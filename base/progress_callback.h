// The one progress sink of the engines: (event, code, value) -> int.
#pragma once

#include <functional>

namespace base {

using ProgressCallback = std::function<int(int event, unsigned code, long value)>;

}  // namespace base
