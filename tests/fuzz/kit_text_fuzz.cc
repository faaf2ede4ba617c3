// Any text measured without a font: 7 pixels for each character below
// U+0080 and 14 for any other (a byte sequence that is not UTF-8 counts as
// one U+FFFD); 18 pixels per line between line feeds, never less than 16.

#include <algorithm>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "nestui_kit/dialogs.h"
#include "win_common/utf.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::int64_t width = 0;
  const std::u16string units = win_common::utf8_to_utf16(text);
  for (std::size_t i = 0; i < units.size(); ++i) {
    if (units[i] >= 0xD800 && units[i] < 0xDC00) ++i;  // one character, two units
    width += units[i] < 0x80 ? 7 : 14;
  }
  FUZZ_CHECK(nestui_kit::estimated_text_width(text) == width);
  const std::int64_t lines = std::count(text.begin(), text.end(), '\n') + 1;
  FUZZ_CHECK(nestui_kit::estimated_text_height(text) == std::max<std::int64_t>(16, 18 * lines));
  return 0;
}
