#include "ui/wnd_shadow.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <new>
#include <vector>

#include "platform/gui/window.h"

namespace ui {

namespace gui = platform::gui;

namespace {

const wchar_t kShadowClass[] = L"HaldenShadowWnd";

// Process-wide shadow state, touched on the UI thread only.
struct ShadowGlobals {
  std::map<HWND, CWndShadow*> shadows;  // parent -> the shadow serving it
  bool layeredWindowsKnown = false;     // translucent windows can be shown
  bool compositionQueryLoaded = false;
  HINSTANCE instance = nullptr;
  bool classRegistered = false;
};

ShadowGlobals& Globals() {
  static ShadowGlobals globals;
  return globals;
}

struct Span {
  int left;
  int right;
  bool Empty() const { return left >= right; }
};

}  // namespace

CWndShadow::~CWndShadow() {
  auto& shadows = Globals().shadows;
  for (auto it = shadows.begin(); it != shadows.end();) {
    it = it->second == this ? shadows.erase(it) : std::next(it);
  }
  if (gui::IsWindow(shadowWindow)) gui::DestroyWindow(shadowWindow);
}

bool CWndShadow::Initialize(HINSTANCE instance) {
  ShadowGlobals& g = Globals();
  if (g.layeredWindowsKnown) return false;
  if (!gui::IsCompositionEnabled()) return false;
  g.layeredWindowsKnown = true;
  g.compositionQueryLoaded = true;
  g.instance = instance;
  if (!g.classRegistered) g.classRegistered = gui::RegisterWindowClass(kShadowClass, &gui::DefWindowProcW) != 0;
  return true;
}

void CWndShadow::ResetForTests() {
  ShadowGlobals& g = Globals();
  g.shadows.clear();
  g.layeredWindowsKnown = false;
  g.compositionQueryLoaded = false;
}

void CWndShadow::Create(HWND parent) {
  if (created) return;
  created = 1;
  if (!Globals().layeredWindowsKnown) return;
  Globals().shadows[parent] = this;
  shadowWindow =
      gui::CreateWindowExW(WS_EX_LAYERED | WS_EX_TRANSPARENT, kShadowClass, L"", WS_POPUPWINDOW, 0, 0, 0, 0, parent);
  status = kEnabled | kVisible;
  Show(parent);
  parentProc = gui::SetWindowProc(parent, &CWndShadow::ParentProc);
}

void CWndShadow::Show(HWND parent) {
  if ((status & kEnabled) && !(status & kCompositionDisabled)) {
    const DWORD style = gui::GetWindowStyle(parent);
    if (style & WS_VISIBLE) {
      status |= kParentVisible;
      if (!(style & (WS_MAXIMIZE | WS_MINIMIZE))) status |= kVisible;
    }
  }
  if (status & kVisible) {
    gui::ShowWindow(shadowWindow, SW_SHOWNA);
    Update(parent);
  } else {
    gui::ShowWindow(shadowWindow, SW_HIDE);
  }
}

void CWndShadow::Update(HWND parent) {
  RECT rect{};
  if (!gui::GetWindowRect(parent, &rect)) return;
  const int width = rect.right - rect.left + 2 * size;
  const int height = rect.bottom - rect.top + 2 * size;
  if (width <= 0 || height <= 0) return;
  const size_t count = static_cast<size_t>(width) * height;
  std::unique_ptr<std::uint32_t[]> dib(new (std::nothrow) std::uint32_t[count]);
  std::unique_ptr<std::uint32_t[]> topDown(new (std::nothrow) std::uint32_t[count]);
  if (!dib || !topDown) return;
  std::fill(dib.get(), dib.get() + count, 0u);
  MakeShadow(dib.get(), parent, &rect);
  // The DIB is stored bottom-up; the window takes rows top-down.
  for (int row = 0; row < height; ++row) {
    std::copy(dib.get() + static_cast<size_t>(height - 1 - row) * width,
              dib.get() + static_cast<size_t>(height - row) * width, topDown.get() + static_cast<size_t>(row) * width);
  }
  const POINT position{rect.left + offsetX - size, rect.top + offsetY - size};
  gui::UpdateLayeredWindow(shadowWindow, position, width, height, topDown.get());
}

std::uint32_t CWndShadow::PreMultiply(COLORREF c, std::uint8_t a) {
  const unsigned r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
  return ((r * a / 255u) << 16) | ((g * a / 255u) << 8) | (b * a / 255u);
}

void CWndShadow::MakeShadow(std::uint32_t* pixels, HWND, const RECT* parentRect) {
  const int W = parentRect->right - parentRect->left;
  const int H = parentRect->bottom - parentRect->top;
  const int S = size, Sh = sharpness, D = darkness, Ox = offsetX, Oy = offsetY;
  const int W2 = W + 2 * S;
  const int H2 = H + 2 * S;
  if (W <= 0 || H <= 0 || W2 <= 0 || H2 <= 0) return;
  const Span empty{W, 0};

  // 1. Window shape. Windows here carry no shaped region, so each row spans the
  //    whole width.
  std::vector<Span> orig(H, Span{0, W});

  // 2. Span table by shadow row, from −1 to max(H, H2).
  const int lastRow = std::max(H, H2);
  auto tableIndex = [](int row) { return row + 1; };
  std::vector<Span> span(static_cast<size_t>(lastRow) + 2, empty);
  for (int y = 0; y < H; ++y) {
    const int row = y + S;
    if (row >= -1 && row <= lastRow) span[tableIndex(row)] = Span{orig[y].left + S, orig[y].right + S};
  }
  auto spanAt = [&](const std::vector<Span>& table, int row) {
    return (row < -1 || row > lastRow) ? empty : table[tableIndex(row)];
  };

  // 3. Erosion, when the soft edge is wider than the shadow.
  for (int pass = 0; pass < Sh - S; ++pass) {
    std::vector<Span> next(span.size(), empty);
    for (int row = -1; row <= lastRow; ++row) {
      const Span a = spanAt(span, row - 1), b = spanAt(span, row), c = spanAt(span, row + 1);
      next[tableIndex(row)] = Span{std::max({a.left, b.left, c.left}) + 1, std::min({a.right, b.right, c.right}) - 1};
    }
    span.swap(next);
  }

  // 4. Kernel.
  const int K = std::max(S, Sh);
  const int Q = S > Sh ? S - Sh : 0;
  const int side = 2 * K + 1;
  const std::uint32_t solid = (static_cast<std::uint32_t>(D) << 24) | PreMultiply(color, static_cast<std::uint8_t>(D));
  std::vector<std::uint32_t> kernel(static_cast<size_t>(side) * side, 0u);
  for (int i = 0; i < side; ++i) {
    for (int j = 0; j < side; ++j) {
      const double d = std::sqrt(static_cast<double>((i - K) * (i - K) + (j - K) * (j - K)));
      std::uint32_t pixel = 0;
      if (d < Q) {
        pixel = solid;
      } else if (d <= K) {
        const auto a = static_cast<std::uint32_t>((1.0 - (d - Q) / (Sh + 1)) * D);
        pixel = (a << 24) | PreMultiply(color, static_cast<std::uint8_t>(a & 0xFF));
      }
      kernel[static_cast<size_t>(i) * side + j] = pixel;
    }
  }

  // Row t counted from the top lives at memory line H2 − 1 − t.
  auto line = [&](int t) { return pixels + static_cast<size_t>(H2 - 1 - t) * W2; };
  auto stamp = [&](int x, int y) {
    for (int i = 0; i < side; ++i) {
      const int t = y - K + i;
      if (t < 0 || t >= H2) continue;
      std::uint32_t* target = line(t);
      const std::uint32_t* k = kernel.data() + static_cast<size_t>(i) * side;
      for (int j = 0; j < side; ++j) {
        const int column = x - K + j;
        if (column >= 0 && column < W2) target[column] = std::max(target[column], k[j]);
      }
    }
  };

  // 5. Edge stamping.
  for (int y = K; y < H2 - K; ++y) {
    const Span s = spanAt(span, y);
    if (s.Empty()) continue;
    const Span p = spanAt(span, y - 1), n = spanAt(span, y + 1);
    int x = s.left;
    for (; x < std::min(std::max(p.left, n.left) + 1, s.right); ++x) stamp(x, y);
    for (x = std::max(x, std::min(p.right, n.right) - 1); x < s.right; ++x) stamp(x, y);
  }

  // 6. Solid part, and the hole under the window.
  auto fill = [&](int y, int from, int to, std::uint32_t value) {
    from = std::max(from, 0);
    to = std::min(to, W2);
    if (y < 0 || y >= H2 || from >= to) return;
    std::fill(line(y) + from, line(y) + to, value);
  };
  const int firstRow = std::min(K, std::max(S - Oy, 0));
  const int endRow = std::max(H2 - K, std::min(H + S - Oy, H + 2 * S));
  for (int y = firstRow; y < endRow; ++y) {
    const Span s = spanAt(span, y);
    const int w = y - S + Oy;
    if (w < 0 || w >= H) {
      fill(y, s.left, s.right, solid);
      continue;
    }
    const int ol = orig[w].left + S - Ox;
    const int orr = orig[w].right + S - Ox;
    fill(y, s.left, std::min(ol, s.right), solid);
    fill(y, std::max(ol, 0), std::min(orr, W2), 0u);
    fill(y, std::max(orr, s.left), s.right, solid);
  }
}

LRESULT CWndShadow::ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto& shadows = Globals().shadows;
  auto found = shadows.find(hwnd);
  if (found == shadows.end()) return gui::DefWindowProcW(hwnd, msg, wParam, lParam);
  CWndShadow* self = found->second;
  const WNDPROC previous = self->parentProc;
  const bool active = (self->status & kEnabled) && !(self->status & kCompositionDisabled);

  switch (msg) {
    case WM_DESTROY: gui::DestroyWindow(self->shadowWindow); break;
    case WM_MOVE:
      if (self->status & kVisible) {
        RECT rect{};
        gui::GetWindowRect(hwnd, &rect);
        gui::SetWindowPos(self->shadowWindow, nullptr, rect.left + self->offsetX - self->size,
                          rect.top + self->offsetY - self->size, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOZORDER);
      }
      break;
    case WM_SIZE:
      if (!active) break;
      if (wParam == SIZE_MAXIMIZED || wParam == SIZE_MINIMIZED) {
        gui::ShowWindow(self->shadowWindow, SW_HIDE);
        self->status &= static_cast<std::uint8_t>(~kVisible);
      } else if (gui::GetWindowStyle(hwnd) & WS_VISIBLE) {
        self->status |= kParentVisible;
        if (!(self->status & kVisible)) {
          self->status |= kVisible;
          self->Update(hwnd);
          gui::ShowWindow(self->shadowWindow, SW_SHOWNA);
          self->updatePending = true;
        } else if (LOWORD(lParam) > LOWORD(self->lastClientSize) || HIWORD(lParam) > HIWORD(self->lastClientSize)) {
          self->updatePending = true;  // redrawn at the next paint
        } else {
          self->Update(hwnd);
        }
      }
      self->lastClientSize = static_cast<std::uint32_t>(lParam);
      break;
    case WM_PAINT:
      if (self->updatePending) {
        self->Update(hwnd);
        self->updatePending = false;
      }
      break;
    case WM_SHOWWINDOW:
      if (active) {
        const LRESULT result = gui::CallWindowProcW(previous, hwnd, msg, wParam, lParam);
        if (wParam) {
          self->updatePending = true;
          self->Show(hwnd);
        } else {
          gui::ShowWindow(self->shadowWindow, SW_HIDE);
          self->status &= static_cast<std::uint8_t>(~(kVisible | kParentVisible));
        }
        return result;
      }
      break;
    case WM_NCDESTROY: shadows.erase(hwnd); break;
    case WM_EXITSIZEMOVE:
      if (self->status & kVisible) self->Update(hwnd);
      break;
    case WM_DWMCOMPOSITIONCHANGED:
      if (gui::IsCompositionEnabled()) {
        self->status |= kCompositionDisabled;
      } else {
        self->status &= static_cast<std::uint8_t>(~kCompositionDisabled);
      }
      self->Show(hwnd);
      break;
    default: break;
  }
  return gui::CallWindowProcW(previous, hwnd, msg, wParam, lParam);
}

}  // namespace ui
