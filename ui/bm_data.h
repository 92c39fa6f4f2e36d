// One bitmap resource together with a copy of its pixels (0x00RRGGBB words, rows
// top-down), the painting sources of the setup dialog.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/gui/gui_types.h"

namespace ui {

class BMData {
 public:
  BMData() = default;
  virtual ~BMData();
  BMData(const BMData&) = delete;
  BMData& operator=(const BMData&) = delete;

  // 1 when the bitmap and its pixel copy exist, 0 otherwise (the holder is then empty).
  int Load(int resourceId);

  HBITMAP hBitmap = nullptr;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::unique_ptr<std::uint32_t[]> pixels;
};

}  // namespace ui
