// What the setup dialog's headless tests share: where its controls are, a manifest
// whose mirror never delivers, and waiting inside a step while the worker runs.
#pragma once

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "platform/gui/gui_types.h"
#include "platform/gui/headless.h"

namespace dialog_test {

namespace headless = platform::gui::headless;

constexpr POINT kInstallButton{311, 374};
constexpr POINT kCloseButton{608, 10};
constexpr POINT kCustomToggle{560, 372};
constexpr POINT kLicenceBox{50, 435};
constexpr POINT kDesktopBox{50, 511};
constexpr POINT kProgrammeBox{50, 546};
constexpr POINT kQuestionYes{250, 183};
constexpr POINT kQuestionNo{360, 183};

// A manifest of one mirror and a 5 MB package; the digests never matter, since
// nothing ever arrives. A `version` above the installer's own asks for a newer one.
inline std::string ManifestFor(const std::string& mirror, int version = 1) {
  std::string hashes;
  for (int i = 0; i < 5; ++i) {
    hashes += "\t\t<item_" + std::to_string(i) + " value=\"2346671EAAEAEF702D548AD34048F29B\"/>\n";
  }
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
         "<download version=\"" +
         std::to_string(version) +
         "\" size=\"5000000\" name=\"corvex11_x64_11092_fe471387.exe\">\n"
         "\t<url size=\"1\">\n\t\t<item_0 value=\"" +
         mirror +
         "/download/Corvex11_x64.exe\"/>\n\t</url>\n"
         "\t<hash size=\"5\">\n" +
         hashes + "\t</hash>\n</download>\n";
}

// Both editions' manifests, in the resource folder that CORVEX_RESOURCE_OVERRIDE names.
inline void ServeManifest(const std::string& resourceFolder, const std::string& mirror, int version = 1) {
  std::filesystem::create_directories(resourceFolder + "/xml");
  for (const char* id : {"501", "502"}) std::ofstream(resourceFolder + "/xml/" + id) << ManifestFor(mirror, version);
}

// Inside a step: lets posted work run until `done` holds (false after ~`timeoutMs`).
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 20000) {
  for (int i = 0; i < timeoutMs / 10; ++i) {
    headless::RunQueuedTasks();
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

inline void Click(POINT p) { headless::Click(headless::ActiveDialog(), p.x, p.y); }

}  // namespace dialog_test
