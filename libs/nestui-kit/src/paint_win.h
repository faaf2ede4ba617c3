#pragma once
// Filling and framing with a brush made for the one call.

#include <windows.h>

#include "nestui_kit/geometry.h"
#include "win_common/gdi_handles.h"

namespace nestui_kit {

inline constexpr COLORREF kWhite = 0xFFFFFF;

inline void fill_solid(HDC dc, const Rect& rect, COLORREF colour) {
  win_common::unique_brush brush(::CreateSolidBrush(colour));
  const RECT area = to_win_rect(rect);
  ::FillRect(dc, &area, brush.get());
}

// A 1-pixel frame.
inline void frame_solid(HDC dc, const Rect& rect, COLORREF colour) {
  win_common::unique_brush brush(::CreateSolidBrush(colour));
  const RECT area = to_win_rect(rect);
  ::FrameRect(dc, &area, brush.get());
}

}  // namespace nestui_kit
