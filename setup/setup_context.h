// What the entry point tells the setup dialog before it runs: the run mode of the
// command line and the values of the product profile (the edition chosen by the
// machine). Set once on the main thread before the dialog starts; read-only after.
#pragma once

#include <string>

// The product profile's values the dialog starts with.
struct SetupProfile {
  std::string packageBaseName;   // "Corvex11_x64": names the downloaded package
  std::string url;               // only for the "Url : " log line
  bool x64 = false;
  std::string productName;       // "Corvex"
  std::string displayName;       // "Corvex 11": product key name
  std::string fullDisplayName;   // "Corvex 11 (x64)"
  std::string version;
  std::string publisher;
  std::wstring versionLabel;
  int logoBitmapId = 0;
  int finishLogoBitmapId = 0;
};

struct SetupContext {
  bool silent = false;           // --silent: no countdown, no page, no question, closes itself
  bool uninstallMode = false;    // the uninstall page instead of the main page
  std::wstring presetInstallPath;  // --path DIR
  SetupProfile profile;
};

void SetSetupContext(const SetupContext& context);
const SetupContext& GetSetupContext();
bool IsSilentRun();
