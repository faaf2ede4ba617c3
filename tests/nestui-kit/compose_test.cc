// The grey rule and the tint arithmetic of the kit's bitmaps.
#include "nestui_kit/compose.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace nestui_kit {
namespace {

TEST(GreyOf, WeighsRedGreenBlueAndAddsTwenty) {
  EXPECT_EQ(grey_of(0x212B4C), 0x474747u);  // 71
  EXPECT_EQ(grey_of(0xFFFFFF), 0xFFFFFFu);  // capped at 255
  EXPECT_EQ(grey_of(0x808080), 0x949494u);  // 128 + 20
  EXPECT_EQ(grey_of(0x0000FF), 0x606060u);  // red alone: 76 + 20
  EXPECT_EQ(grey_of(0xFF0000), 0x313131u);  // blue alone: 29 + 20
}

TEST(Tint, ChannelTable) {
  struct Row {
    std::uint8_t value;
    std::uint32_t percent;
    bool darken;
    std::uint8_t expected;
  };
  for (const Row& row : std::array<Row, 8>{{
           {200, 150, false, 255},
           {200, 150, true, 0},  // capped at 100 %
           {200, 0, false, 200},
           {200, 0, true, 200},  // 0 % leaves the value
           {100, 25, true, 75},
           {100, 25, false, 138},  // (7500 + 6375) / 100
           {255, 25, false, 255},
           {1, 50, false, 128},
       }}) {
    EXPECT_EQ(tint_channel(row.value, row.percent, row.darken), row.expected)
        << int{row.value} << " " << row.percent << "% darken=" << row.darken;
  }
}

TEST(Tint, PixelsKeepTheirOrderAndLoseTheFourthByte) {
  std::vector<std::uint8_t> pixels{100, 200, 0, 255, 40, 80, 120, 7};
  tint_pixels(pixels, 25, true);
  EXPECT_EQ(pixels, (std::vector<std::uint8_t>{75, 150, 0, 0, 30, 60, 90, 0}));
}

}  // namespace
}  // namespace nestui_kit
