// Any --locale text: one of the four tags in any ASCII letter case picks
// its language, everything else Korean; the font script follows the tag
// handed on (the canonical tag of that language) and for any tag given
// directly the documented list.

#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "i18n/locale.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view tag(reinterpret_cast<const char*>(data), size);
  std::string lower(tag);
  for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);

  const i18n::language_index language = i18n::language_from_tag(tag);
  const i18n::language_index want = lower == "en-us"   ? 1
                                    : lower == "en-gb" ? 2
                                    : lower == "ja"    ? 3
                                                       : 0;
  FUZZ_CHECK(language == want);
  FUZZ_CHECK(i18n::language_from_tag(i18n::LOCALE_TAGS[language]) == language);

  constexpr i18n::FontScript kScriptOf[] = {i18n::FontScript::Korean, i18n::FontScript::Latin,
                                            i18n::FontScript::Latin, i18n::FontScript::Japanese};
  i18n::set_locale(i18n::LOCALE_TAGS[language]);
  FUZZ_CHECK(i18n::font_script() == kScriptOf[language]);
  FUZZ_CHECK(!i18n::primary_font_family().empty() && !i18n::secondary_font_family().empty());

  i18n::set_locale(tag);
  const bool latin =
      lower == "en" || lower == "en-us" || lower == "en_us" || lower == "en-gb" || lower == "en_gb";
  const bool japanese = lower == "ja" || lower == "japanese";
  FUZZ_CHECK(i18n::font_script() == (latin      ? i18n::FontScript::Latin
                                     : japanese ? i18n::FontScript::Japanese
                                                : i18n::FontScript::Korean));
  return 0;
}
