#include "win_common/signer_identity.h"

#include <cstddef>
#include <optional>

#include "win_common/hex.h"
#include "win_common/utf.h"

namespace win_common {

const std::string_view REQUIRED_SIGNER_TEXT = "NESTWORKS";

namespace {

// Unicode's White_Space property.
bool is_white_space(const Utf8Char& c) {
  if (!c.valid) return false;
  const char32_t cp = c.code_point;
  return (cp >= 0x09 && cp <= 0x0D) || cp == 0x20 || cp == 0x85 || cp == 0xA0 || cp == 0x1680 ||
         (cp >= 0x2000 && cp <= 0x200A) || cp == 0x2028 || cp == 0x2029 || cp == 0x202F ||
         cp == 0x205F || cp == 0x3000;
}

std::string_view trim_white_space(std::string_view text) {
  std::size_t begin = 0;
  while (begin < text.size()) {
    const Utf8Char d = decode_utf8(text, begin);
    if (!is_white_space(d)) break;
    begin += d.length;
  }
  std::size_t end = begin;
  for (std::size_t i = begin; i < text.size();) {
    const Utf8Char d = decode_utf8(text, i);
    i += d.length;
    if (!is_white_space(d)) end = i;
  }
  return text.substr(begin, end - begin);
}

}  // namespace

std::string thumbprint_text(std::span<const std::uint8_t, 20> sha1) {
  std::string out;
  out.reserve(sha1.size() * 2);
  for (const std::uint8_t b : sha1) {
    out.push_back(hex_digit(b >> 4));
    out.push_back(hex_digit(b));
  }
  return out;
}

std::string normalize_pin(std::string_view pin, UpperCaseBeyondAscii beyond_ascii) {
  const std::string_view trimmed = trim_white_space(pin);
  std::string out;
  out.reserve(trimmed.size());
  for (std::size_t i = 0; i < trimmed.size();) {
    const Utf8Char d = decode_utf8(trimmed, i);
    const std::string_view bytes = trimmed.substr(i, d.length);
    i += d.length;
    if (d.valid && d.code_point >= 'a' && d.code_point <= 'z') {
      out.push_back(static_cast<char>(bytes[0] - 'a' + 'A'));
      continue;
    }
    // Letters beyond ASCII (fullwidth ones, say); bytes that are not UTF-8
    // stay as they are.
    if (beyond_ascii && d.valid && d.code_point >= 0x80) {
      if (std::optional<std::string> upper = beyond_ascii(bytes)) {
        out += *upper;
        continue;
      }
    }
    out += bytes;
  }
  return out;
}

std::string thumbprint_mismatch_text(std::string_view normalized_pin, std::string_view thumbprint) {
  std::string out = "서명 지문이 다름(기대 ";
  out += normalized_pin;
  out += " \u00B7 실제 ";
  out += thumbprint;
  out += ')';
  return out;
}

std::expected<void, std::string> check_thumbprint_pin(const std::optional<std::string>& pinned,
                                                      std::string_view thumbprint,
                                                      UpperCaseBeyondAscii beyond_ascii) {
  if (!pinned) return {};
  const std::string pin = normalize_pin(*pinned, beyond_ascii);
  if (pin.empty() || pin == thumbprint) return {};
  return std::unexpected(thumbprint_mismatch_text(pin, thumbprint));
}

}  // namespace win_common
