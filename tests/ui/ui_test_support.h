// Shared set-up of the UI tests: a sandboxed home, a fresh headless screen and an
// owner window that records the commands it receives.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/gui/draw.h"
#include "platform/gui/headless.h"
#include "platform/gui/window.h"

namespace uitest {

namespace gui = platform::gui;

class HeadlessTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  virtual gui::HeadlessOptions Options() { return {}; }

  // A plain window whose procedure records WM_COMMAND ids into `commands`.
  HWND CreateOwner();

 public:
  static std::vector<int> commands;
};

// Waits (on the UI thread, inside a step) until `window` has shown a frame.
bool WaitForFrame(HWND window, int atLeast = 1);

// The pixel at (x, y) of a canvas or a frame.
inline std::uint32_t PixelAt(HDC dc, int x, int y) { return dc->Pixels()[static_cast<size_t>(y) * dc->Stride() + x]; }

// True when some pixel of the block differs from `background`.
bool HasInk(HDC dc, const RECT& area, std::uint32_t background);
// First row of `area` (from the top) holding a pixel other than `background`, or −1.
int FirstInkRow(HDC dc, const RECT& area, std::uint32_t background);

}  // namespace uitest
