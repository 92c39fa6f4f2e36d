#include "ui/common_rect.h"

#include <algorithm>

namespace ui {

void CommonRect::Set(int left, int top, int right, int bottom) {
  rect = RECT{left, top, right, bottom};
  Recompute();
}

void CommonRect::Deflate(int n) {
  rect.left = std::max<LONG>(rect.left + n, 0);
  rect.top = std::max<LONG>(rect.top + n, 0);
  rect.right -= n;
  rect.bottom -= n;
  Recompute();
}

}  // namespace ui
