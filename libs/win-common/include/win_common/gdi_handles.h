#pragma once
// Owners of GDI objects, device contexts and windows, and scopes that give
// back what they borrow. Stock objects, system icons and system cursors are
// shared by the whole system and are never put in an owner.

#include <windows.h>

#include <utility>

#include "win_common/handles.h"

namespace win_common {

namespace detail {
template <typename T>
void delete_gdi_object(T object) {
  ::DeleteObject(object);
}
inline void delete_dc(HDC dc) { ::DeleteDC(dc); }
inline void destroy_window(HWND window) { ::DestroyWindow(window); }
}  // namespace detail

using unique_bitmap = unique_resource<HBITMAP, detail::delete_gdi_object<HBITMAP>, 0>;
using unique_font = unique_resource<HFONT, detail::delete_gdi_object<HFONT>, 0>;
using unique_brush = unique_resource<HBRUSH, detail::delete_gdi_object<HBRUSH>, 0>;
// A device context of our own making (CreateCompatibleDC), deleted.
using unique_mem_dc = unique_resource<HDC, detail::delete_dc, 0>;
// A window of our own making; destroy it on the thread that created it.
using unique_window = unique_resource<HWND, detail::destroy_window, 0>;

// GetDC / ReleaseDC. A null window gives the screen.
class scoped_get_dc {
 public:
  explicit scoped_get_dc(HWND window) : window_(window), dc_(::GetDC(window)) {}
  ~scoped_get_dc() {
    if (!dc_) return;
    const keep_last_error kept;
    ::ReleaseDC(window_, dc_);
  }
  scoped_get_dc(const scoped_get_dc&) = delete;
  scoped_get_dc& operator=(const scoped_get_dc&) = delete;

  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// BeginPaint / EndPaint for one WM_PAINT.
class scoped_paint {
 public:
  explicit scoped_paint(HWND window) : window_(window) { dc_ = ::BeginPaint(window, &paint_); }
  ~scoped_paint() {
    if (dc_) ::EndPaint(window_, &paint_);
  }
  scoped_paint(const scoped_paint&) = delete;
  scoped_paint& operator=(const scoped_paint&) = delete;

  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_ = nullptr;
};

// Selects an object into a device context and puts the old one back at the
// end of the scope. A null object selects nothing.
class scoped_select {
 public:
  scoped_select(HDC dc, HGDIOBJ object) : dc_(dc) {
    if (dc && object) old_ = ::SelectObject(dc, object);
  }
  ~scoped_select() {
    if (old_ && old_ != HGDI_ERROR) ::SelectObject(dc_, old_);
  }
  scoped_select(const scoped_select&) = delete;
  scoped_select& operator=(const scoped_select&) = delete;

  // Whether the object went in.
  explicit operator bool() const { return old_ != nullptr && old_ != HGDI_ERROR; }

 private:
  HDC dc_;
  HGDIOBJ old_ = nullptr;
};

}  // namespace win_common
