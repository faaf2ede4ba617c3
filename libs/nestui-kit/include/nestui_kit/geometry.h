#pragma once
// Points and rectangles of the kit's windows, in pixels. The kit's one
// rectangle type: a Windows RECT is made from it only at a Windows call.

#include <cstdint>

namespace nestui_kit {

struct Point {
  std::int32_t x = 0;
  std::int32_t y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

// A rectangle by its top left corner and its size.
struct Rect {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;

  constexpr std::int32_t right() const { return x + width; }
  constexpr std::int32_t bottom() const { return y + height; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// The rectangle from (left, top) to (right, bottom), both ends excluded on
// the right and at the bottom as Windows counts them.
constexpr Rect between(std::int32_t left, std::int32_t top, std::int32_t right,
                       std::int32_t bottom) {
  return {left, top, right - left, bottom - top};
}

}  // namespace nestui_kit

#ifdef _WIN32
#include <windows.h>

namespace nestui_kit {

inline RECT to_win_rect(const Rect& r) { return {r.x, r.y, r.right(), r.bottom()}; }
inline Rect from_win_rect(const RECT& r) { return between(r.left, r.top, r.right, r.bottom); }

// The client area of a window: (0, 0) and its size.
inline Rect client_rect(HWND window) {
  RECT client{};
  ::GetClientRect(window, &client);
  return from_win_rect(client);
}

}  // namespace nestui_kit
#endif
