// Faces and pictures drawn for real and read back pixel by pixel.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "nestui_kit/compose.h"
#include "nestui_kit/pictures.h"
#include "gui_counts.h"
#include "pixels.h"

namespace nestui_kit {
namespace {

using test_support::Pixels;

Pixels read(const BitmapResult& bitmap, int width, int height) {
  EXPECT_TRUE(bitmap) << bitmap.error();
  Pixels out = bitmap ? test_support::read_pixels(bitmap->get(), width, height) : Pixels{};
  EXPECT_EQ(out.bgra.size(), std::size_t(width) * height);
  return out;
}

std::string error_of(const BitmapResult& result) { return result ? "(no error)" : result.error(); }

// Each channel of c within `tolerance` of the range spanned by a and b.
bool within(Colorref c, Colorref a, Colorref b, int tolerance = 3) {
  for (int s : {0, 8, 16}) {
    const int v = (c >> s) & 0xFF, x = (a >> s) & 0xFF, y = (b >> s) & 0xFF;
    if (v < std::min(x, y) - tolerance || v > std::max(x, y) + tolerance) return false;
  }
  return true;
}

// The leftmost and rightmost columns where a face differs from the same
// face without text.
std::pair<int, int> ink(const Pixels& text, const Pixels& blank, int height) {
  int left = text.width, right = -1;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < text.width; ++x)
      if (text.at(x, y) != blank.at(x, y)) left = std::min(left, x), right = std::max(right, x);
  return {left, right};
}

TEST(ComposeRoleFace, FillBorderTextPlacementAndShift) {
  const int w = 80, h = 24;
  const HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  auto face = [&](const FaceColors& colors, const char* text, bool centred, int dx) {
    return read(compose_role_face(w, h, colors, text, font, centred, 10, dx, dx), w, h);
  };
  const Pixels primary = face({0x2E3D6A, 0x212B4C, 0}, "", true, 0);
  for (auto [x, y] : {std::pair{0, 0}, {w - 1, h - 1}, {w / 2, 0}, {0, h / 2}})
    EXPECT_EQ(primary.at(x, y), 0x212B4Cu);
  EXPECT_EQ(primary.at(1, 1), 0x2E3D6Au);
  EXPECT_EQ(primary.at(w - 2, h - 2), 0x2E3D6Au);
  const Pixels secondary = face({0xFFFFFF, 0x212B4C, 0}, "", true, 0);
  EXPECT_EQ(secondary.at(w - 1, h / 2), 0x212B4Cu);
  EXPECT_EQ(secondary.at(w / 2, h / 2), 0xFFFFFFu);

  // Black text, centred or 10 pixels from the left, and moved by (1, 1).
  const FaceColors plain{0xFFFFFF, 0xFFFFFF, 0};
  const Pixels blank = face(plain, "", true, 0), centred = face(plain, "HH", true, 0);
  const Pixels shifted = face(plain, "HH", true, 1);
  const auto [left, right] = ink(centred, blank, h);
  ASSERT_LE(left, right) << "no text";
  EXPECT_LE(std::abs(left - (w - 1 - right)), 1);
  const int margin = ink(face(plain, "HH", false, 0), blank, h).first;
  EXPECT_TRUE(margin >= 10 && margin <= 12) << margin;
  EXPECT_NE(shifted.bgra, centred.bgra);
  for (int y = 0; y + 1 < h; ++y)
    for (int x = 0; x + 1 < w; ++x) ASSERT_EQ(shifted.at(x + 1, y + 1), centred.at(x, y));

  const BitmapResult none = compose_role_face(0, h, plain, "HH", font, true, 0, 0, 0);
  EXPECT_EQ(error_of(none), "compose_role_face: CreateCompatibleBitmap(0x24) 실패");
}

TEST(Compose, TitlebarsStretchedWithTheirGradientsAndTheTitleAtTheLeft) {
  for (auto [picture, top, row29, row30] :
       {std::tuple{Picture::TitlebarActive, RGB(134, 78, 58), RGB(110, 57, 38), RGB(147, 105, 89)},
        {Picture::TitlebarInactive, RGB(98, 98, 98), RGB(49, 49, 49), RGB(153, 153, 153)}}) {
    auto bar = [&](const char* text) {
      return read(compose(picture_png(picture), 460, 30, text, nullptr, 0xFFFFFF,
                          between(9, 0, 460, 30), DT_LEFT | DT_VCENTER | DT_SINGLELINE),
                  460, 30);
    };
    const Pixels blank = bar("");
    for (int x : {0, 300, 459}) {
      EXPECT_TRUE(within(blank.at(x, 0), top, top)) << std::hex << blank.at(x, 0);
      // 31 rows in 30: the last mixes the gradient's end with the lighter line.
      EXPECT_TRUE(within(blank.at(x, 29), row29, row30)) << std::hex << blank.at(x, 29);
    }
    const auto [left, right] = ink(bar("Parleynest"), blank, 30);
    EXPECT_TRUE(left >= 9 && left < 14 && right < 200) << left << " " << right;
  }
}

TEST(ComposeTintedAndOffset, TintsAndShiftsOfTheClosePicture) {
  const auto close = picture_png(Picture::Close);
  const Pixels white = read(compose_tinted(close, 20, 20, 150, false), 20, 20);
  const Pixels black = read(compose_tinted(close, 20, 20, 150, true), 20, 20);
  for (std::size_t i = 0; i < white.bgra.size(); ++i) {
    ASSERT_EQ(white.bgra[i], 0x00FFFFFFu) << i;  // the fourth byte zeroed
    ASSERT_EQ(black.bgra[i], 0u) << i;
  }
  // The ground RGB(122, 67, 48) a quarter of the way to black and to white.
  EXPECT_EQ(read(compose_tinted(close, 20, 20, 25, true), 20, 20).at(0, 0), RGB(91, 50, 36));
  EXPECT_EQ(read(compose_tinted(close, 20, 20, 25, false), 20, 20).at(0, 0), RGB(155, 114, 99));

  const Pixels plain = read(compose_offset(close, 20, 20, 0, 0, 0x0000FF), 20, 20);
  const Pixels moved = read(compose_offset(close, 20, 20, 2, 3, 0x0000FF), 20, 20);
  EXPECT_EQ(plain.at(0, 0), RGB(122, 67, 48));
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x)
      ASSERT_EQ(moved.at(x, y), x < 2 || y < 3 ? 0x0000FF : plain.at(x - 2, y - 3))
          << x << "," << y;
}

TEST(ComposePictures, BrokenPngIsAnErrorWithItsContext) {
  const std::uint8_t junk[] = {'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'};
  const auto close = picture_png(Picture::Close);
  const std::pair<BitmapResult, std::string> rows[] = {
      {compose_offset(junk, 20, 20, 1, 1, 0),
       "compose_offset load from memory (9 bytes): CreateDecoderFromStream: "},
      {compose_tinted(junk, 20, 20, 25, false), "compose_tinted load: CreateDecoderFromStream: "},
      {compose(junk, 20, 20, "x", nullptr, 0, {}, 0),
       "compose load from memory (9 bytes): CreateDecoderFromStream: "},
      {compose_tinted(close.first(60), 20, 20, 25, false), "compose_tinted load: "},
      {compose_offset(close, 0, 20, 0, 0, 0),
       "compose_offset load from memory (140 bytes): CreateCompatibleBitmap(0x20): "},
  };
  for (const auto& [result, prefix] : rows) {
    const std::string error = error_of(result);
    EXPECT_TRUE(error.starts_with(prefix) && error.find("0x", prefix.size()) != error.npos)
        << error;
  }
}

TEST(ComposeTinted, HundredPicturesReleasedLeaveNoGdiObjects) {
  const auto picture = picture_png(Picture::CloseHover);
  ASSERT_TRUE(compose_tinted(picture, 20, 20, 25, false));  // the system's own objects made once
  const DWORD before = test_support::gdi_objects();
  {
    std::vector<BitmapResult> held;
    for (int i = 0; i < 100; ++i) held.push_back(compose_tinted(picture, 20, 20, 25, i % 2 == 0));
    EXPECT_TRUE(std::ranges::all_of(held, [](const BitmapResult& b) { return b.has_value(); }));
    EXPECT_EQ(test_support::gdi_objects(), before + 100);
  }
  EXPECT_EQ(test_support::gdi_objects(), before);
}

}  // namespace
}  // namespace nestui_kit
