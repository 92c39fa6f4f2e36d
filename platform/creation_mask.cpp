#include "platform/creation_mask.h"

#include <sys/stat.h>

namespace platform {

void KeepNewFilesUnwritableByOthers() { ::umask(022); }

}  // namespace platform
