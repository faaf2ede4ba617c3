// The grey rule, the tint arithmetic, and the embedded pictures (the
// committed PNG files byte for byte).
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "built_path.h"
#include "nestui_kit/compose.h"
#include "nestui_kit/pictures.h"

namespace nestui_kit {
namespace {

TEST(Compose, GreyRuleAndTints) {
  EXPECT_EQ(grey_of(0x212B4C), 0x474747u);  // 71
  EXPECT_EQ(grey_of(0xFFFFFF), 0xFFFFFFu);  // capped at 255
  EXPECT_EQ(grey_of(0x808080), 0x949494u);  // 128 + 20
  EXPECT_EQ(grey_of(0x0000FF), 0x606060u);  // red alone: 76 + 20
  EXPECT_EQ(grey_of(0xFF0000), 0x313131u);  // blue alone: 29 + 20

  // value, percent, darken, expected: 150 % is 100 %, 0 % keeps the value.
  for (auto [value, percent, darken, expected] : {std::tuple{200, 150u, false, 255},
                                                  {200, 150u, true, 0},
                                                  {200, 0u, false, 200},
                                                  {200, 0u, true, 200},
                                                  {100, 25u, true, 75},
                                                  {100, 25u, false, 138},
                                                  {255, 25u, false, 255},
                                                  {1, 50u, false, 128}}) {
    EXPECT_EQ(tint_channel(std::uint8_t(value), percent, darken), expected)
        << value << " " << percent;
  }
  std::vector<std::uint8_t> pixels{100, 200, 0, 255, 40, 80, 120, 7};
  tint_pixels(pixels, 25, true);
  EXPECT_EQ(pixels, (std::vector<std::uint8_t>{75, 150, 0, 0, 30, 60, 90, 0}));
}

TEST(Pictures, EmbeddedBytesAreTheFilesWithTheirSizesAndKinds) {
  const std::pair<Picture, const char*> rows[] = {{Picture::TitlebarActive, "titlebar-active"},
                                                  {Picture::TitlebarInactive, "titlebar-inactive"},
                                                  {Picture::Close, "close"},
                                                  {Picture::CloseHover, "close-hover"},
                                                  {Picture::Minimize, "minimize"},
                                                  {Picture::MinimizeHover, "minimize-hover"},
                                                  {Picture::Maximize, "maximize"},
                                                  {Picture::MaximizeHover, "maximize-hover"},
                                                  {Picture::Back, "back"},
                                                  {Picture::BackHover, "back-hover"}};
  for (const auto& [picture, name] : rows) {
    std::ifstream in(
        test_support::built_path("PN_PICTURES_DIR", PN_PICTURES_DIR) + "/" + name + ".png",
        std::ios::binary);
    const std::vector<std::uint8_t> file{std::istreambuf_iterator<char>(in), {}};
    const auto png = picture_png(picture);
    ASSERT_EQ(std::vector<std::uint8_t>(png.begin(), png.end()), file) << name;
    ASSERT_GT(file.size(), 26u) << name;
    // IHDR: width, height (big-endian), bits per sample, colour type.
    const bool bar = picture == Picture::TitlebarActive || picture == Picture::TitlebarInactive;
    EXPECT_EQ(std::string(file.begin() + 12, file.begin() + 16), "IHDR");
    EXPECT_EQ(std::vector<int>(file.begin() + 16, file.begin() + 26),
              (bar ? std::vector<int>{0, 0, 0x07, 0x7E, 0, 0, 0, 31, 8, 6}  // 1918 x 31 RGBA
                   : std::vector<int>{0, 0, 0, 20, 0, 0, 0, 20, 8, 3}))     // 20 x 20 palette
        << name;
  }
}

}  // namespace
}  // namespace nestui_kit
