// The input read twice: as UTF-16LE units and as UTF-8 bytes. Strict
// conversions round-trip valid text and refuse every unpaired surrogate;
// the lossy ones never fail and give well-formed text.

#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "utf_text.h"
#include "win_common/utf.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string wide = fuzz::utf16_units(data, size);
  std::size_t lone = 0;
  const std::string want = fuzz::utf8_of(wide, &lone);

  const std::optional<std::string> strict = win_common::utf16_to_utf8_strict(wide);
  FUZZ_CHECK(strict.has_value() == (lone == 0));
  if (strict) {
    FUZZ_CHECK(*strict == want);
    FUZZ_CHECK(win_common::utf8_to_utf16(*strict) == wide);
  }
  FUZZ_CHECK(win_common::utf16_to_utf8(wide) == want);

  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::u16string back = win_common::utf8_to_utf16(bytes);
  const std::optional<std::string> again = win_common::utf16_to_utf8_strict(back);
  FUZZ_CHECK(again.has_value());  // the lossy form never holds a lone surrogate
  FUZZ_CHECK(fuzz::valid_utf8(*again));
  if (fuzz::valid_utf8(bytes)) FUZZ_CHECK(*again == bytes);

  // Characters one by one: each at least one byte, a valid one exactly the
  // well-formed sequence there, an invalid one never past a lead byte.
  for (std::size_t at = 0; at < bytes.size();) {
    const win_common::Utf8Char c = win_common::decode_utf8(bytes, at);
    const std::size_t n = fuzz::utf8_sequence(bytes, at);
    FUZZ_CHECK(c.length >= 1 && at + c.length <= bytes.size());
    FUZZ_CHECK(c.valid == (n != 0));
    if (c.valid) FUZZ_CHECK(c.length == n);
    for (std::size_t i = 1; i < c.length; ++i)
      FUZZ_CHECK((static_cast<unsigned char>(bytes[at + i]) & 0xC0) == 0x80);
    at += c.length;
  }
  return 0;
}
