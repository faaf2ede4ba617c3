#pragma once
// Bitmaps the kit draws for its buttons and title bars: the faces of text
// buttons, and pictures decoded from the embedded PNG files, stretched,
// shifted, tinted or written over.

#include <cstdint>
#include <span>

#include "nestui_kit/geometry.h"

namespace nestui_kit {

// A Windows COLORREF: red in the low byte, then green, then blue.
using Colorref = std::uint32_t;

// The colours of one face of a text button.
struct FaceColors {
  Colorref fill;
  Colorref border;
  Colorref text;
};

// The grey form of a colour: grey(v, v, v) with
// v = min(255, (299 R + 587 G + 114 B) / 1000 + 20).
Colorref grey_of(Colorref colour);

// One colour channel tinted by `percent` (capped at 100): toward white
// (v (100 - p) + 255 p) / 100, or with `darken` toward black v (100 - p) / 100.
std::uint8_t tint_channel(std::uint8_t value, std::uint32_t percent, bool darken);

// Tints 32-bit pixels in place: the three colour bytes of each pixel as
// tint_channel, the fourth byte set to 0.
void tint_pixels(std::span<std::uint8_t> pixels, std::uint32_t percent, bool darken);

}  // namespace nestui_kit

#ifdef _WIN32
#include <windows.h>

#include <expected>
#include <string>
#include <string_view>

#include "win_common/gdi_handles.h"

namespace nestui_kit {

using BitmapResult = std::expected<win_common::unique_bitmap, std::string>;

// A text button's face: filled, framed with a 1-pixel border, the text on
// one line, vertically centred, centred or `left_margin` from the left, the
// whole text moved by (dx, dy).
BitmapResult compose_role_face(int width, int height, const FaceColors& colors,
                               std::string_view text, HFONT font, bool centred, int left_margin,
                               int dx, int dy);

// The picture decoded and scaled to width x height; with a shift, drawn
// again at (dx, dy) over its own area filled with `background` first.
BitmapResult compose_offset(std::span<const std::uint8_t> png, int width, int height, int dx,
                            int dy, Colorref background);

// The picture decoded, stretched (HALFTONE) to width x height and tinted.
BitmapResult compose_tinted(std::span<const std::uint8_t> png, int width, int height,
                            std::uint32_t percent, bool darken);

// The picture decoded, stretched (HALFTONE) onto a screen-compatible bitmap
// of width x height, with `text` drawn over it in `font` and `text_colour`
// on a transparent background into `text_rect` with DrawTextW `format`.
BitmapResult compose(std::span<const std::uint8_t> png, int width, int height,
                     std::string_view text, HFONT font, Colorref text_colour, const Rect& text_rect,
                     UINT format);

}  // namespace nestui_kit
#endif
