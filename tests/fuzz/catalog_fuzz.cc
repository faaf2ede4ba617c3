// Any key and language: a key of the table (byte for byte) gives its text
// in that language, a language past the last gives Korean, and any other
// key comes back as itself. Keys are unique and every text is UTF-8.

#include <cstdint>
#include <map>
#include <string>

#include "fuzz_check.h"
#include "i18n/catalog.h"
#include "utf_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::map<std::string_view, const i18n::CatalogRow*> rows = [] {
    std::map<std::string_view, const i18n::CatalogRow*> out;
    for (const i18n::CatalogRow& row : i18n::catalog_rows()) {
      FUZZ_CHECK(out.emplace(row.key, &row).second);
      for (const std::string_view text : row.values) FUZZ_CHECK(fuzz::valid_utf8(text));
    }
    return out;
  }();
  if (size == 0) return 0;
  const i18n::language_index language = data[0] % 8;  // 4 to 7: past the last
  const std::string_view key(reinterpret_cast<const char*>(data + 1), size - 1);

  const std::string text = i18n::translate(language, key);
  const auto row = rows.find(key);
  if (row == rows.end()) {
    FUZZ_CHECK(text == key);
  } else {
    FUZZ_CHECK(text == row->second->values[language < 4 ? language : 0]);
  }
  return 0;
}
