// A soft drop shadow for a borderless window: a translucent, input-transparent
// window behind the parent that follows it through the parent's window procedure.
// Only screens with a compositing manager show translucent windows, so without one
// there is no shadow. UI thread.
#pragma once

#include <cstdint>

#include "platform/gui/gui_types.h"

namespace ui {

class CWndShadow {
 public:
  static constexpr std::uint8_t kEnabled = 1;
  static constexpr std::uint8_t kVisible = 2;
  static constexpr std::uint8_t kParentVisible = 4;
  static constexpr std::uint8_t kCompositionDisabled = 8;

  CWndShadow() = default;
  virtual ~CWndShadow();
  CWndShadow(const CWndShadow&) = delete;
  CWndShadow& operator=(const CWndShadow&) = delete;

  // Registers the shadow window class; false when shadows cannot be shown here or
  // it has already run.
  static bool Initialize(HINSTANCE instance);
  // Attaches the shadow to `parent`; only the first call per object does anything.
  void Create(HWND parent);
  void Show(HWND parent);
  void Update(HWND parent);
  // Draws the shadow of `parentRect` into a bottom-up DIB of (W + 2·size) × (H + 2·size)
  // premultiplied 0xAARRGGBB words.
  void MakeShadow(std::uint32_t* pixels, HWND parent, const RECT* parentRect);
  static std::uint32_t PreMultiply(COLORREF color, std::uint8_t alpha);
  static LRESULT ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  // Forgets the process-wide state (tests start from scratch).
  static void ResetForTests();

  HWND shadowWindow = reinterpret_cast<HWND>(~static_cast<std::uintptr_t>(0));
  WNDPROC parentProc = nullptr;
  std::uint8_t status = 0;
  std::uint8_t darkness = 30;
  std::uint8_t sharpness = 30;
  std::int8_t size = 30;
  std::int8_t offsetX = 0;
  std::int8_t offsetY = 0;
  std::uint32_t lastClientSize = 50;
  bool updatePending = false;
  COLORREF color = 0x323232;
  std::int32_t created = 0;
};

}  // namespace ui
