#include "i18n/locale.h"

namespace i18n {
namespace {

// Process-wide font choice; written only by set_locale.
FontScript g_font_script = FontScript::Korean;

constexpr char ascii_lower(char c) noexcept {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// True when `text` equals `lower` (which is all lower case) once the ASCII
// letters of `text` are lowered. Other bytes must match exactly.
constexpr bool equals_lowered(std::string_view text, std::string_view lower) noexcept {
  if (text.size() != lower.size()) {
    return false;
  }
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (ascii_lower(text[i]) != lower[i]) {
      return false;
    }
  }
  return true;
}

}  // namespace

language_index language_from_tag(std::string_view tag) noexcept {
  if (equals_lowered(tag, "ja")) {
    return 3;
  }
  if (equals_lowered(tag, "en-us")) {
    return 1;
  }
  if (equals_lowered(tag, "en-gb")) {
    return 2;
  }
  return 0;  // "ko" and everything unrecognised
}

void set_locale(std::string_view tag) noexcept {
  // Unlike language_from_tag this also takes the bare "en", the underscore
  // forms and "japanese"; the updater only ever passes LOCALE_TAGS here.
  FontScript script = FontScript::Korean;
  if (equals_lowered(tag, "en") || equals_lowered(tag, "en-us") || equals_lowered(tag, "en_us") ||
      equals_lowered(tag, "en-gb") || equals_lowered(tag, "en_gb")) {
    script = FontScript::Latin;
  } else if (equals_lowered(tag, "ja") || equals_lowered(tag, "japanese")) {
    script = FontScript::Japanese;
  }
  g_font_script = script;
}

FontScript font_script() noexcept { return g_font_script; }

std::string primary_font_family() {
  switch (g_font_script) {
    case FontScript::Latin:
      return "Arial";
    case FontScript::Japanese:
      return "MS Gothic";
    case FontScript::Korean:
      break;
  }
  return "굴림";
}

std::string secondary_font_family() {
  switch (g_font_script) {
    case FontScript::Latin:
      return "MS Sans Serif";
    case FontScript::Japanese:
      return "MS Gothic";
    case FontScript::Korean:
      break;
  }
  return "돋움";
}

}  // namespace i18n
