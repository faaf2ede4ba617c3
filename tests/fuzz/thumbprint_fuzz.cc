// Any pinned thumbprint text: the pin is compared trimmed of Unicode
// White_Space and with ASCII letters upper-cased, nothing else touched; the
// check passes exactly when that is empty or the thumbprint itself; and the
// thumbprint of any 20 bytes, written in lower case between blanks, is a pin
// that matches it.

#include <array>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "utf_text.h"
#include "win_common/signer_identity.h"

namespace {

bool white_space_at(std::string_view s, std::size_t at, std::size_t* length) {
  static constexpr std::string_view kWhite[] = {
      "\t",     "\n",     "\v",     "\f",     "\r",     " ",      "\u0085", "\u00A0", "\u1680",
      "\u2000", "\u2001", "\u2002", "\u2003", "\u2004", "\u2005", "\u2006", "\u2007", "\u2008",
      "\u2009", "\u200A", "\u2028", "\u2029", "\u202F", "\u205F", "\u3000"};
  for (const std::string_view w : kWhite) {
    if (s.substr(at).starts_with(w)) {
      *length = w.size();
      return true;
    }
  }
  return false;
}

std::string expected_pin(std::string_view pin) {
  std::size_t n = 0;
  while (!pin.empty() && white_space_at(pin, 0, &n)) pin.remove_prefix(n);
  // The last character that is not white space ends the pin.
  std::size_t end = 0;
  for (std::size_t i = 0; i < pin.size();) {
    if (white_space_at(pin, i, &n)) {
      i += n;
      continue;
    }
    i += std::max<std::size_t>(1, fuzz::utf8_sequence(pin, i));
    end = i;
  }
  std::string out(pin.substr(0, end));
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string pin(reinterpret_cast<const char*>(data), size);
  const std::string normal = win_common::normalize_pin(pin);
  FUZZ_CHECK(normal == expected_pin(pin));
  FUZZ_CHECK(win_common::normalize_pin(normal) == normal);

  std::array<std::uint8_t, 20> sha1{};
  std::memcpy(sha1.data(), data, std::min(size, sha1.size()));
  const std::string thumb = win_common::thumbprint_text(sha1);
  FUZZ_CHECK(thumb.size() == 40);
  for (std::size_t i = 0; i < 20; ++i) {
    const char hex[] = "0123456789ABCDEF";
    FUZZ_CHECK(thumb[2 * i] == hex[sha1[i] >> 4] && thumb[2 * i + 1] == hex[sha1[i] & 15]);
  }

  const auto check = win_common::check_thumbprint_pin(pin, thumb);
  FUZZ_CHECK(check.has_value() == (normal.empty() || normal == thumb));
  if (!check) FUZZ_CHECK(check.error() == win_common::thumbprint_mismatch_text(normal, thumb));
  std::string lower = " \u3000" + thumb + "\t\n";
  for (char& c : lower)
    if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
  FUZZ_CHECK(win_common::check_thumbprint_pin(lower, thumb).has_value());
  FUZZ_CHECK(win_common::check_thumbprint_pin(std::nullopt, thumb).has_value());
  return 0;
}
