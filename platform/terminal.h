// Whether a standard stream is an interactive terminal (for progress output).
#pragma once

#include <cstdio>

namespace platform {

bool IsTerminal(std::FILE* stream);

}  // namespace platform
