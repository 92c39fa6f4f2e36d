#include "install/seven_zip_program.h"

namespace install {

platform::ChildProcessRequest SevenZipRequest(std::vector<std::string> argv, bool hasPassword) {
  platform::ChildProcessRequest request;
  request.program = kSevenZipProgram;
  request.argv = std::move(argv);
  request.extraEnv = {{"LC_ALL", "C.UTF-8"}};
  if (!hasPassword) request.stdinText.assign(1, '\n');
  return request;
}

}  // namespace install
