#include "i18n/catalog.h"

namespace i18n {

std::string translate(language_index language, std::string_view key) {
  if (language >= LOCALE_TAGS.size()) {
    language = 0;
  }
  // 104 rows: a straight scan is all the lookup there is.
  for (const CatalogRow& row : catalog_rows()) {
    if (row.key == key) {
      return std::string(row.values[language]);
    }
  }
  return std::string(key);
}

}  // namespace i18n
