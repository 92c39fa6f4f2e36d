#include "tests/ui/ui_test_support.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "base/resource_ids.h"
#include "ui/wnd_shadow.h"

using namespace base;
using namespace ui;

namespace uitest {

std::vector<int> HeadlessTest::commands;

namespace {

LRESULT RecordingProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COMMAND) HeadlessTest::commands.push_back(LOWORD(wParam));
  return gui::DefWindowProcW(window, msg, wParam, lParam);
}

// Not testing_support::Sandbox: the toolkit keeps caches under HOME for the whole
// process, so this home lives as long as the test program. Never a shared folder as
// HOME: what the dialogs write would land among other programs' files.
std::string MakeSandbox() {
  std::string pattern = (std::filesystem::temp_directory_path() / "corvex-ui-XXXXXX").string();
  if (!mkdtemp(pattern.data())) {
    std::fprintf(stderr, "cannot create the test home %s\n", pattern.c_str());
    std::abort();
  }
  return pattern;
}

}  // namespace

void HeadlessTest::SetUp() {
  static const std::string sandbox = MakeSandbox();
  setenv("HOME", sandbox.c_str(), 1);
  setenv("CORVEX_SYSROOT", sandbox.c_str(), 1);
  unsetenv("XDG_CONFIG_HOME");
  unsetenv("XDG_DATA_HOME");
  unsetenv("XDG_DOCUMENTS_DIR");
  commands.clear();
  gui::headless::Use(Options());
  // The templates the product's dialogs register when they run.
  gui::RegisterDialogTemplate(resource_ids::kSetupDialogTemplate, 622, 405);
  gui::RegisterDialogTemplate(resource_ids::kMessageBoxTemplate, 420, 210);
  CWndShadow::ResetForTests();
}

void HeadlessTest::TearDown() {
  for (HWND w : gui::headless::Windows()) gui::DestroyWindow(w);
}

HWND HeadlessTest::CreateOwner() {
  gui::RegisterWindowClass(L"UiTestOwner", &RecordingProc);
  return gui::CreateWindowExW(0, L"UiTestOwner", L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 640, 480, nullptr);
}

bool WaitForFrame(HWND window, int atLeast) {
  for (int i = 0; i < 400; ++i) {
    if (gui::headless::FramesPresented(window) >= atLeast) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

bool HasInk(HDC dc, const RECT& area, std::uint32_t background) { return FirstInkRow(dc, area, background) >= 0; }

int FirstInkRow(HDC dc, const RECT& area, std::uint32_t background) {
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      if (PixelAt(dc, x, y) != background) return y;
    }
  }
  return -1;
}

}  // namespace uitest
