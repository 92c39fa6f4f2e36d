// How the 7-Zip console program is started for every command we give it.
#pragma once

#include <string>
#include <vector>

#include "platform/child_process.h"

namespace install {

inline constexpr char kSevenZipProgram[] = "/usr/bin/7zz";

// A request for the program with `argv` (argv[0] included). File names are UTF-8 and
// the messages we read are the untranslated ones, whatever the user's locale. Without
// a password a question for one is answered with an empty line, so the run goes on
// with an empty password instead of stopping at the end of its input.
platform::ChildProcessRequest SevenZipRequest(std::vector<std::string> argv, bool hasPassword);

}  // namespace install
