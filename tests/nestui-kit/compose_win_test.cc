// Faces and pictures drawn for real and read back pixel by pixel.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "nestui_kit/compose.h"
#include "nestui_kit/pictures.h"

namespace nestui_kit {
namespace {

// One bitmap's pixels as COLORREFs, row by row from the top; the fourth
// byte of each pixel apart.
struct Pixels {
  int width = 0;
  std::vector<std::uint8_t> bgra;
  Colorref at(int x, int y) const {
    const std::uint8_t* p = &bgra[(static_cast<std::size_t>(y) * width + x) * 4];
    return RGB(p[2], p[1], p[0]);
  }
  std::uint8_t fourth(int x, int y) const {
    return bgra[(static_cast<std::size_t>(y) * width + x) * 4 + 3];
  }
};

Pixels read(const BitmapResult& bitmap, int width, int height) {
  Pixels out{width, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 4)};
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  HDC screen = GetDC(nullptr);
  const int lines =
      bitmap ? GetDIBits(screen, bitmap->get(), 0, height, out.bgra.data(), &info, DIB_RGB_COLORS)
             : 0;
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(lines, height);
  return out;
}

bool close_to(Colorref a, Colorref b, int tolerance) {
  for (int shift : {0, 8, 16}) {
    if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) >
        tolerance)
      return false;
  }
  return true;
}

// Each channel of c between those of a and b, give or take the tolerance.
bool between(Colorref c, Colorref a, Colorref b, int tolerance) {
  for (int shift : {0, 8, 16}) {
    const int v = (c >> shift) & 0xFF, x = (a >> shift) & 0xFF, y = (b >> shift) & 0xFF;
    if (v < std::min(x, y) - tolerance || v > std::max(x, y) + tolerance) return false;
  }
  return true;
}

// The leftmost and rightmost columns holding a pixel of ink.
template <typename Ink>
std::pair<int, int> ink_columns(const Pixels& p, int height, Ink ink) {
  int left = p.width, right = -1;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      if (ink(p.at(x, y))) left = std::min(left, x), right = std::max(right, x);
    }
  }
  return {left, right};
}
bool not_white(Colorref c) { return c != 0xFFFFFF; }

TEST(ComposeRoleFace, FillBorderTextPlacementAndShift) {
  const int w = 80, h = 24;
  HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));

  const Pixels primary =
      read(compose_role_face(w, h, {0x2E3D6A, 0x212B4C, 0xFFFFFF}, "", font, true, 0, 0, 0), w, h);
  for (auto [x, y] :
       {std::pair{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}, {w / 2, 0}, {0, h / 2}}) {
    EXPECT_EQ(primary.at(x, y), 0x212B4Cu) << x << "," << y;
  }
  EXPECT_EQ(primary.at(1, 1), 0x2E3D6Au);
  EXPECT_EQ(primary.at(w - 2, h - 2), 0x2E3D6Au);

  // A Secondary-like face keeps its dark border on white.
  const Pixels secondary =
      read(compose_role_face(w, h, {0xFFFFFF, 0x212B4C, 0x212B4C}, "", font, true, 0, 0, 0), w, h);
  EXPECT_EQ(secondary.at(0, h / 2), 0x212B4Cu);
  EXPECT_EQ(secondary.at(w - 1, h - 1), 0x212B4Cu);
  EXPECT_EQ(secondary.at(w / 2, h / 2), 0xFFFFFFu);

  // Black text on white, border white too, so that only the text differs.
  const FaceColors plain{0xFFFFFF, 0xFFFFFF, 0x000000};
  const Pixels centred = read(compose_role_face(w, h, plain, "HH", font, true, 0, 0, 0), w, h);
  const Pixels shifted = read(compose_role_face(w, h, plain, "HH", font, true, 0, 1, 1), w, h);
  const Pixels left = read(compose_role_face(w, h, plain, "HH", font, false, 10, 0, 0), w, h);
  const auto [c_left, c_right] = ink_columns(centred, h, not_white);
  ASSERT_LE(c_left, c_right) << "no text drawn";
  EXPECT_LE(std::abs(c_left - (w - 1 - c_right)), 2);
  EXPECT_NE(shifted.bgra, centred.bgra);
  for (int y = 0; y + 1 < h; ++y) {
    for (int x = 0; x + 1 < w; ++x)
      ASSERT_EQ(shifted.at(x + 1, y + 1), centred.at(x, y)) << x << "," << y;
  }
  const int l_left = ink_columns(left, h, not_white).first;
  EXPECT_GE(l_left, 10);
  EXPECT_LE(l_left, 12);

  const BitmapResult none = compose_role_face(0, h, plain, "HH", font, true, 0, 0, 0);
  ASSERT_FALSE(none);
  EXPECT_EQ(none.error(), "compose_role_face: CreateCompatibleBitmap(0x24) 실패");
}

TEST(Compose, TitlebarsStretchToTheirGradientsWithTheTitleAtTheLeft) {
  struct Row {
    Picture picture;
    Colorref top, row29, row30;
  };
  for (const Row& row :
       {Row{Picture::TitlebarActive, RGB(134, 78, 58), RGB(110, 57, 38), RGB(147, 105, 89)},
        Row{Picture::TitlebarInactive, RGB(98, 98, 98), RGB(49, 49, 49), RGB(153, 153, 153)}}) {
    const RECT title{9, 0, 460, 30};
    const Pixels bar = read(compose(picture_png(row.picture), 460, 30, "Parleynest", nullptr,
                                    0xFFFFFF, title, DT_LEFT | DT_VCENTER | DT_SINGLELINE),
                            460, 30);
    for (int x : {0, 5, 300, 459}) {
      EXPECT_TRUE(close_to(bar.at(x, 0), row.top, 3)) << std::hex << bar.at(x, 0);
      // 31 rows become 30: the last row mixes the gradient's end with the lighter line.
      EXPECT_TRUE(between(bar.at(x, 29), row.row29, row.row30, 3)) << std::hex << bar.at(x, 29);
    }
    const auto [ink_left, ink_right] =
        ink_columns(bar, 30, [](Colorref c) { return close_to(c, 0xFFFFFF, 40); });
    EXPECT_GE(ink_left, 9);
    EXPECT_LT(ink_left, 14);
    EXPECT_LT(ink_right, 200);
  }
}

TEST(ComposeTinted, CappedTintsAndTheQuarterTintOfTheGround) {
  const auto close = picture_png(Picture::Close);
  const Pixels white = read(compose_tinted(close, 20, 20, 150, false), 20, 20);
  const Pixels black = read(compose_tinted(close, 20, 20, 150, true), 20, 20);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 20; ++x) {
      ASSERT_EQ(white.at(x, y), 0xFFFFFFu);
      ASSERT_EQ(black.at(x, y), 0u);
      ASSERT_EQ(white.fourth(x, y), 0);
      ASSERT_EQ(black.fourth(x, y), 0);
    }
  }
  // The ground RGB(122, 67, 48) a quarter of the way to black and to white.
  EXPECT_EQ(read(compose_tinted(close, 20, 20, 25, true), 20, 20).at(0, 0), RGB(91, 50, 36));
  EXPECT_EQ(read(compose_tinted(close, 20, 20, 25, false), 20, 20).at(0, 0), RGB(155, 114, 99));
}

TEST(ComposeOffset, ShiftUncoversTheBackground) {
  const auto close = picture_png(Picture::Close);
  const Pixels plain = read(compose_offset(close, 20, 20, 0, 0, 0x0000FF), 20, 20);
  const Pixels moved = read(compose_offset(close, 20, 20, 2, 3, 0x0000FF), 20, 20);
  EXPECT_EQ(plain.at(0, 0), RGB(122, 67, 48));
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 20; ++x) {
      const Colorref expected = x < 2 || y < 3 ? 0x0000FF : plain.at(x - 2, y - 3);
      ASSERT_EQ(moved.at(x, y), expected) << x << "," << y;
    }
  }
}

TEST(ComposePictures, BrokenPngIsAnErrorWithItsContext) {
  const std::uint8_t junk[] = {'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'};
  const auto close = picture_png(Picture::Close);
  const std::span<const std::uint8_t> truncated = close.first(60);
  const RECT r{0, 0, 20, 20};
  struct Row {
    BitmapResult result;
    std::string prefix;
  };
  Row rows[] = {
      {compose_offset(junk, 20, 20, 1, 1, 0),
       "compose_offset load from memory (9 bytes): CreateDecoderFromStream: "},
      {compose_tinted(junk, 20, 20, 25, false), "compose_tinted load: CreateDecoderFromStream: "},
      {compose(junk, 20, 20, "x", nullptr, 0, r, 0),
       "compose load from memory (9 bytes): CreateDecoderFromStream: "},
      {compose_tinted(truncated, 20, 20, 25, false), "compose_tinted load: "},
      {compose_offset(close, 0, 20, 0, 0, 0),
       "compose_offset load from memory (140 bytes): CreateCompatibleBitmap(0x20): "},
  };
  for (const Row& row : rows) {
    ASSERT_FALSE(row.result) << row.prefix;
    EXPECT_TRUE(row.result.error().starts_with(row.prefix)) << row.result.error();
    EXPECT_NE(row.result.error().find("0x", row.prefix.size()), std::string::npos)
        << row.result.error();
  }
}

// The process's GDI objects. Wine answers GetGuiResources with 0; there the
// live entries of the process's handle table are counted instead (a handle
// value with a zero upper word names the entry of that index).
DWORD gdi_objects() {
  const DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  if (count != 0) return count;
  DWORD live = 0;
  for (ULONG_PTR index = 1; index < 0x10000; ++index)
    live += GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0;
  return live;
}

TEST(ComposeTinted, HundredPicturesReleasedLeaveNoGdiObjects) {
  const auto picture = picture_png(Picture::CloseHover);
  ASSERT_TRUE(compose_tinted(picture, 20, 20, 25, false));  // the system's own objects made once
  const DWORD before = gdi_objects();
  {
    std::vector<BitmapResult> held;
    for (int i = 0; i < 100; ++i) held.push_back(compose_tinted(picture, 20, 20, 25, i % 2 == 0));
    EXPECT_TRUE(std::ranges::all_of(held, [](const BitmapResult& b) { return b.has_value(); }));
    EXPECT_EQ(gdi_objects(), before + 100);
  }
  EXPECT_EQ(gdi_objects(), before);
}

}  // namespace
}  // namespace nestui_kit
