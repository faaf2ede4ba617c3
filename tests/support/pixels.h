#pragma once
// The pixels of a bitmap, read back with GetDIBits as 32-bit values, top row
// first.
#include <windows.h>

#include <cstdint>
#include <vector>

namespace test_support {

struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> bgra;  // blue in the low byte, the fourth byte on top

  // As a COLORREF (red in the low byte).
  COLORREF at(int x, int y) const {
    const std::uint32_t p = bgra[std::size_t(y) * width + x];
    return ((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16);
  }
  std::uint8_t fourth(int x, int y) const {
    return static_cast<std::uint8_t>(bgra[std::size_t(y) * width + x] >> 24);
  }
};

// Empty when the bitmap cannot be read.
inline Pixels read_pixels(HBITMAP bitmap, int width, int height) {
  Pixels p{width, height, std::vector<std::uint32_t>(std::size_t(width) * height)};
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  HDC screen = GetDC(nullptr);
  const int rows = GetDIBits(screen, bitmap, 0, height, p.bgra.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (rows != height) return {};
  return p;
}

}  // namespace test_support
