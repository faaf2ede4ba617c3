// Display language and the font families that go with it.
//
// The updater turns its --locale value into a language_index once at
// start-up, hands the canonical tag of that language to set_locale, and
// from then on asks for font family names when it builds its windows.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace i18n {

// Column of the message catalog: 0 Korean, 1 English (US), 2 English (GB),
// 3 Japanese.
using language_index = std::size_t;

// Canonical tag of each language_index.
inline constexpr std::array<std::string_view, 4> LOCALE_TAGS{"ko", "en-US", "en-GB", "ja"};

// "ko" and "ja" (2 bytes) and "en-US" and "en-GB" (5 bytes, hyphen only),
// letters compared without regard to ASCII case. Everything else, the empty
// text included, is Korean (0).
[[nodiscard]] language_index language_from_tag(std::string_view tag) noexcept;

// Script the UI fonts are chosen for.
enum class FontScript : std::uint8_t { Korean = 0, Latin = 1, Japanese = 2 };

// Records the FontScript for a locale tag (ASCII case ignored): "en",
// "en-us", "en_us", "en-gb", "en_gb" are Latin; "ja" and "japanese" are
// Japanese; anything else, the empty tag included, is Korean.
// Meant to be called once on the UI thread before the first window exists;
// the value is not synchronised.
void set_locale(std::string_view tag) noexcept;

// The FontScript last recorded by set_locale (Korean until then).
[[nodiscard]] FontScript font_script() noexcept;

// Font family names for the current FontScript, as handed to font creation.
[[nodiscard]] std::string primary_font_family();
[[nodiscard]] std::string secondary_font_family();

}  // namespace i18n
