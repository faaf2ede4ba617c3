// The embedded pictures are the committed PNG files, byte for byte.
#include "nestui_kit/pictures.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace nestui_kit {
namespace {

std::uint32_t big_endian(std::span<const std::uint8_t> bytes, std::size_t at) {
  return std::uint32_t{bytes[at]} << 24 | std::uint32_t{bytes[at + 1]} << 16 |
         std::uint32_t{bytes[at + 2]} << 8 | bytes[at + 3];
}

TEST(Pictures, EmbeddedBytesAreTheFilesWithTheirSizesAndKinds) {
  struct Row {
    Picture picture;
    const char* file;
  };
  const Row rows[] = {
      {Picture::TitlebarActive, "titlebar-active.png"},
      {Picture::TitlebarInactive, "titlebar-inactive.png"},
      {Picture::Close, "close.png"},
      {Picture::CloseHover, "close-hover.png"},
      {Picture::Minimize, "minimize.png"},
      {Picture::MinimizeHover, "minimize-hover.png"},
      {Picture::Maximize, "maximize.png"},
      {Picture::MaximizeHover, "maximize-hover.png"},
      {Picture::Back, "back.png"},
      {Picture::BackHover, "back-hover.png"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.file);
    std::ifstream in(std::string(PN_PICTURES_DIR) + "/" + row.file, std::ios::binary);
    ASSERT_TRUE(in);
    const std::vector<std::uint8_t> file{std::istreambuf_iterator<char>(in), {}};
    const std::span<const std::uint8_t> embedded = picture_png(row.picture);
    ASSERT_EQ(std::vector<std::uint8_t>(embedded.begin(), embedded.end()), file);

    ASSERT_GT(embedded.size(), 33u);
    EXPECT_EQ(std::string(embedded.begin() + 12, embedded.begin() + 16), "IHDR");
    const bool titlebar =
        row.picture == Picture::TitlebarActive || row.picture == Picture::TitlebarInactive;
    EXPECT_EQ(big_endian(embedded, 16), titlebar ? 1918u : 20u);  // width
    EXPECT_EQ(big_endian(embedded, 20), titlebar ? 31u : 20u);    // height
    EXPECT_EQ(embedded[24], 8);                                   // bits per sample
    EXPECT_EQ(embedded[25], titlebar ? 6 : 3);                    // RGBA or palette
  }
}

}  // namespace
}  // namespace nestui_kit
