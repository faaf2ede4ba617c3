#pragma once
// Showing the kit's bitmaps in static controls (SS_BITMAP).

#include <windows.h>

namespace nestui_kit {

// Shows `bitmap` in the control and records it in `shown`. A control of
// common controls 6 keeps its own copy of a bitmap with alpha and hands
// that copy back on the next change: anything handed back that is not the
// bitmap we gave last is such a copy, and is deleted here.
inline void show_static_bitmap(HWND control, HBITMAP bitmap, HBITMAP& shown) {
  const HBITMAP previous = reinterpret_cast<HBITMAP>(
      ::SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
  if (previous && previous != shown) ::DeleteObject(previous);
  shown = bitmap;
  ::InvalidateRect(control, nullptr, TRUE);
}

}  // namespace nestui_kit
