// A control's rectangle in its owner's client coordinates, with its local twin
// (0, 0, width, height) kept in step.
#pragma once

#include "platform/gui/gui_types.h"

namespace ui {

class CommonRect {
 public:
  CommonRect() = default;
  CommonRect(int left, int top, int right, int bottom) { Set(left, top, right, bottom); }

  void Set(int left, int top, int right, int bottom);
  // Shrinks by n on every side; the left and top edges stop at 0.
  void Deflate(int n);
  const RECT* GetRect() const { return &rect; }
  const RECT* GetLocalRect() const { return &localRect; }
  int GetWidth() const { return rect.right - rect.left; }
  int GetHeight() const { return rect.bottom - rect.top; }

 private:
  void Recompute() { localRect = RECT{0, 0, GetWidth(), GetHeight()}; }

  RECT rect{};
  RECT localRect{};
};

}  // namespace ui
