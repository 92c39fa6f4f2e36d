// The file creation mask of the process.
#pragma once

namespace platform {

// Nothing the process makes from now on is writable by group or others, whatever
// mask it was started with.
void KeepNewFilesUnwritableByOthers();

}  // namespace platform
