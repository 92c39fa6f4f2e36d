// Whole lines to stdout or stderr from any server thread, flushed at once so that a
// parent reading the pipe sees each line as it happens.
#pragma once

#include <string>

namespace devserver {

void PrintLine(const std::string& line);
void PrintError(const std::string& line);

}  // namespace devserver
