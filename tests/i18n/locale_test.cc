#include "i18n/locale.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <string_view>

namespace {

using i18n::FontScript;

// Read during static initialisation, before any test calls set_locale.
const FontScript kScriptAtStart = i18n::font_script();

// Primary and secondary family per FontScript.
constexpr std::array<std::array<std::string_view, 2>, 3> kFamilies{
    {{"굴림", "돋움"}, {"Arial", "MS Sans Serif"}, {"MS Gothic", "MS Gothic"}}};

void expect_fonts(FontScript script) {
  const auto& families = kFamilies[static_cast<std::size_t>(script)];
  EXPECT_EQ(i18n::font_script(), script);
  EXPECT_EQ(i18n::primary_font_family(), families[0]);
  EXPECT_EQ(i18n::secondary_font_family(), families[1]);
}

TEST(LocaleTest, LanguageFromTag) {
  const struct {
    std::string_view tag;
    i18n::language_index expected;
  } cases[] = {
      {"ko", 0},
      {"KO", 0},
      {"ja", 3},
      {"JA", 3},
      {"jA", 3},
      {"en-US", 1},
      {"en-us", 1},
      {"EN-us", 1},
      {"en-GB", 2},
      {"En-Gb", 2},
      {"", 0},
      {"en", 0},
      {"EN", 0},
      {"en_US", 0},
      {"EN_gb", 0},
      {"en US", 0},
      {"ja-JP", 0},
      {"fr", 0},
      {"jp", 0},
      {"j", 0},
      {"Japanese", 0},
      {"en-USA", 0},
      {"en-U", 0},
      {"ja ", 0},
      {" ja", 0},
      // Only letters are case-folded: CR is '-' without its 0x20 bit.
      {"xx", 0},
      {"en\rUS", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(i18n::language_from_tag(c.tag), c.expected) << '"' << c.tag << '"';
  }
}

TEST(LocaleTest, SetLocaleChoosesScriptAndFamilies) {
  EXPECT_EQ(kScriptAtStart, FontScript::Korean);
  const struct {
    std::string_view tag;
    FontScript expected;
  } cases[] = {
      // "en", the underscore forms and "japanese" give the Korean catalog
      // column (see LanguageFromTag) but still pick the matching fonts.
      {"en", FontScript::Latin},          {"EN", FontScript::Latin},
      {"en-us", FontScript::Latin},       {"EN_us", FontScript::Latin},
      {"en-GB", FontScript::Latin},       {"en_gb", FontScript::Latin},
      {"ja", FontScript::Japanese},       {"JA", FontScript::Japanese},
      {"japanese", FontScript::Japanese}, {"JAPANESE", FontScript::Japanese},
      {"ko", FontScript::Korean},         {"KO", FontScript::Korean},
      {"xx", FontScript::Korean},         {"", FontScript::Korean},
      {"fr", FontScript::Korean},         {"ja-JP", FontScript::Korean},
      {"jap", FontScript::Korean},        {"jp", FontScript::Korean},
      {"en-AU", FontScript::Korean},      {"en us", FontScript::Korean},
      {"japanese ", FontScript::Korean},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("tag \"") + std::string(c.tag) + "\"");
    // Start from another script so a tag that leaves the old value is caught.
    i18n::set_locale(c.expected == FontScript::Korean ? "ja" : "ko");
    i18n::set_locale(c.tag);
    expect_fonts(c.expected);
  }
}

TEST(LocaleTest, StartUpFromLocaleOption) {
  // The updater's start-up: --locale picks the column (LanguageFromTag),
  // whose canonical tag then goes to set_locale: it names that same column
  // and its script.
  constexpr FontScript kScripts[] = {FontScript::Korean, FontScript::Latin, FontScript::Latin,
                                     FontScript::Japanese};
  for (i18n::language_index language = 0; language < 4; ++language) {
    const std::string_view tag = i18n::LOCALE_TAGS[language];
    SCOPED_TRACE(std::string("column ") + std::string(tag));
    EXPECT_EQ(i18n::language_from_tag(tag), language);
    i18n::set_locale(kScripts[language] == FontScript::Korean ? "ja" : "ko");
    i18n::set_locale(tag);
    expect_fonts(kScripts[language]);
  }
}

}  // namespace
