// What the installer tells the main product when it starts it in installation mode.
#pragma once

#include <string>

namespace setup {

// A fresh identifier of this installation: MD5 of kernel random bytes as 32
// lower-case hex digits. Never the same on two runs.
std::string MakeInstallId();

struct InstallParamsInput {
  bool joinTicked = false;       // the join box exists and is ticked
  std::string installId;         // MakeInstallId(); empty leaves out " /ID:"
  bool newInstall = false;       // IsNewInstall answered 1
  bool miniMode = false;         // never set in this installer
  std::wstring installerPath;    // this installer's own file (platform::GetModuleFileName())
  unsigned downloadSeconds = 0;  // 0 leaves out " /time:"
};

// "/install", then " /add_plan", " /ID:<id>", " /new " (" /minishow "), the
// " /option:<word>" of the first of the five words found in the installer's
// lower-cased file name (folder and extension left out), and " /time:<n> ".
std::wstring BuildInstallParams(const InstallParamsInput& input);

}  // namespace setup
