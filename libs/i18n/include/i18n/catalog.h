// The built-in message catalog: the window texts of PARLEYNEST in the four
// languages of language_index, compiled in as constant data.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

#include "i18n/locale.h"

namespace i18n {

// One key with its text in every language, indexed by language_index.
// Texts are UTF-8 and may hold line breaks and "{name}"-style placeholders,
// which the catalog leaves untouched.
struct CatalogRow {
  std::string_view key;
  std::array<std::string_view, LOCALE_TAGS.size()> values;
};

// The text of `key` in `language`. Keys match exactly (byte for byte, case
// sensitive); an unknown key, the empty key included, comes back as itself.
// `language` is expected to be 0-3; anything else reads the Korean column.
[[nodiscard]] std::string translate(language_index language, std::string_view key);

// All rows, in table order. Read-only, valid for the whole process.
[[nodiscard]] std::span<const CatalogRow> catalog_rows() noexcept;

}  // namespace i18n
