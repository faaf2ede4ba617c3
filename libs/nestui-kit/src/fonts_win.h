#pragma once
// The kit's fonts, made from a negative pixel height, a weight and a family.

#include <windows.h>

#include <expected>
#include <string>
#include <string_view>

#include "win_common/error_text.h"
#include "win_common/gdi_handles.h"
#include "win_common/utf.h"

namespace nestui_kit {

enum class FontQuality { ClearType, Default };

// ClearType: the window fonts (variable pitch, ClearType quality); Default:
// every other parameter left at its default.
inline std::expected<win_common::unique_font, std::string> make_font(
    int height, int weight, std::string_view family, FontQuality quality = FontQuality::ClearType) {
  const bool cleartype = quality == FontQuality::ClearType;
  win_common::unique_font font(::CreateFontW(
      height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
      CLIP_DEFAULT_PRECIS, cleartype ? CLEARTYPE_QUALITY : DEFAULT_QUALITY,
      cleartype ? VARIABLE_PITCH : DEFAULT_PITCH, win_common::to_wide(family).c_str()));
  if (!font) return std::unexpected("CreateFontW: " + win_common::last_windows_error_text());
  return font;
}

}  // namespace nestui_kit
