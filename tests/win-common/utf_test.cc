#include "win_common/utf.h"

#include <gtest/gtest.h>

namespace win_common {
namespace {

TEST(Utf, RoundTripsEveryPlane) {
  const std::string text = "a é 한글 パ 😀 \x7f";
  const std::u16string wide = utf8_to_utf16(text);
  EXPECT_EQ(wide, u"a é 한글 パ 😀 \x7f");
  EXPECT_EQ(utf16_to_utf8(wide), text);
  EXPECT_EQ(utf16_to_utf8_strict(wide), text);
}

TEST(Utf, UnpairedSurrogatesBecomeReplacementOrAreRefused) {
  const std::u16string lone_high =
      u"a\xD83D"
      u"b";
  const std::u16string lone_low = u"\xDE00";
  const std::u16string reversed = u"\xDE00\xD83D";
  EXPECT_EQ(utf16_to_utf8(lone_high),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(utf16_to_utf8(lone_low), "\xEF\xBF\xBD");
  EXPECT_EQ(utf16_to_utf8(reversed), "\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(utf16_to_utf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
  EXPECT_EQ(utf16_to_utf8_strict(lone_high), std::nullopt);
  EXPECT_EQ(utf16_to_utf8_strict(lone_low), std::nullopt);
  EXPECT_EQ(utf16_to_utf8_strict(u""), "");
}

TEST(Utf, IllFormedUtf8BecomesReplacement) {
  EXPECT_EQ(utf8_to_utf16("a\xFF"
                          "b"),
            u"a\xFFFD"
            u"b");
  EXPECT_EQ(utf8_to_utf16("\xC0\xAF"), u"\xFFFD");          // overlong
  EXPECT_EQ(utf8_to_utf16("\xED\xA0\x80"), u"\xFFFD");      // encoded surrogate
  EXPECT_EQ(utf8_to_utf16("\xE2\x82"), u"\xFFFD");          // cut short
  EXPECT_EQ(utf8_to_utf16("\xE2\x82x"), u"\xFFFDx");        // cut by a plain byte
  EXPECT_EQ(utf8_to_utf16("\xF4\x90\x80\x80"), u"\xFFFD");  // above U+10FFFF
  EXPECT_EQ(utf8_to_utf16(std::string("\0z", 2)), std::u16string(u"\0z", 2));
}

}  // namespace
}  // namespace win_common
