#pragma once
// Child controls of the kit's windows. They belong to their parent window,
// which destroys them with itself.

#include <windows.h>

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>

#include "nestui_kit/geometry.h"
#include "win_common/error_text.h"
#include "win_common/utf.h"

namespace nestui_kit {

struct ChildOptions {
  const wchar_t* class_name = L"STATIC";
  std::string_view text = {};
  DWORD style = 0;
  DWORD ex_style = 0;
  Rect place;  // in the parent's client area
  std::uintptr_t id = 0;
};

inline std::expected<HWND, std::string> create_child(HWND parent, const ChildOptions& options) {
  const Rect& place = options.place;
  const HWND child = ::CreateWindowExW(
      options.ex_style, options.class_name, win_common::to_wide(options.text).c_str(),
      options.style, place.x, place.y, place.width, place.height, parent,
      reinterpret_cast<HMENU>(options.id), ::GetModuleHandleW(nullptr), nullptr);
  if (!child) return std::unexpected("CreateWindowExW: " + win_common::last_windows_error_text());
  return child;
}

// A one-line text label: left-aligned, vertically centred, ampersands shown
// as typed.
inline constexpr DWORD kLabelStyle =
    WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOTIFY | SS_NOPREFIX | SS_CENTERIMAGE;

inline void set_font(HWND control, HFONT font) {
  ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

}  // namespace nestui_kit
