// The portable arithmetic of the kit's bitmaps: grey forms and tints.
#include "nestui_kit/compose.h"

#include <algorithm>

namespace nestui_kit {

Colorref grey_of(Colorref colour) {
  const std::uint32_t red = colour & 0xFF;
  const std::uint32_t green = (colour >> 8) & 0xFF;
  const std::uint32_t blue = (colour >> 16) & 0xFF;
  const std::uint32_t v =
      std::min<std::uint32_t>(255, (299 * red + 587 * green + 114 * blue) / 1000 + 20);
  return v | (v << 8) | (v << 16);
}

std::uint8_t tint_channel(std::uint8_t value, std::uint32_t percent, bool darken) {
  const std::uint32_t p = std::min<std::uint32_t>(percent, 100);
  const std::uint32_t kept = std::uint32_t{value} * (100 - p);
  return static_cast<std::uint8_t>(darken ? kept / 100 : (kept + p * 255) / 100);
}

void tint_pixels(std::span<std::uint8_t> pixels, std::uint32_t percent, bool darken) {
  for (std::size_t i = 0; i + 4 <= pixels.size(); i += 4) {
    for (std::size_t c = 0; c < 3; ++c)
      pixels[i + c] = tint_channel(pixels[i + c], percent, darken);
    pixels[i + 3] = 0;
  }
}

}  // namespace nestui_kit
