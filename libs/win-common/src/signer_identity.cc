#include "win_common/signer_identity.h"

#include <cstddef>
#include <optional>

#ifdef _WIN32
#include <windows.h>

#include <array>

#include "win_common/utf.h"
#endif

namespace win_common {

const std::string_view REQUIRED_SIGNER_TEXT = "NESTWORKS";

namespace {

constexpr char32_t kIllFormed = 0xFFFFFFFF;

struct Decoded {
  char32_t code_point;  // kIllFormed for a byte that starts no valid sequence
  std::size_t length;
};

// The code point that starts at `i`; an ill-formed sequence yields its first
// byte alone.
Decoded decode_at(std::string_view text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) return {lead, 1};
  std::size_t need = 0;
  char32_t cp = 0;
  char32_t min = 0;
  if ((lead & 0xE0) == 0xC0) {
    need = 1;
    cp = lead & 0x1Fu;
    min = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    need = 2;
    cp = lead & 0x0Fu;
    min = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    need = 3;
    cp = lead & 0x07u;
    min = 0x10000;
  } else {
    return {kIllFormed, 1};
  }
  if (text.size() - i <= need) return {kIllFormed, 1};
  for (std::size_t k = 1; k <= need; ++k) {
    const unsigned char b = byte(i + k);
    if ((b & 0xC0) != 0x80) return {kIllFormed, 1};
    cp = (cp << 6) | (b & 0x3Fu);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {kIllFormed, 1};
  return {cp, need + 1};
}

// Unicode's White_Space property.
bool is_white_space(char32_t cp) {
  return (cp >= 0x09 && cp <= 0x0D) || cp == 0x20 || cp == 0x85 || cp == 0xA0 ||
         cp == 0x1680 || (cp >= 0x2000 && cp <= 0x200A) || cp == 0x2028 ||
         cp == 0x2029 || cp == 0x202F || cp == 0x205F || cp == 0x3000;
}

std::string_view trim_white_space(std::string_view text) {
  std::size_t begin = 0;
  while (begin < text.size()) {
    const Decoded d = decode_at(text, begin);
    if (!is_white_space(d.code_point)) break;
    begin += d.length;
  }
  std::size_t end = begin;
  for (std::size_t i = begin; i < text.size();) {
    const Decoded d = decode_at(text, i);
    i += d.length;
    if (!is_white_space(d.code_point)) end = i;
  }
  return text.substr(begin, end - begin);
}

#ifdef _WIN32
// The upper case of one code point by the invariant locale's table; none
// when Windows cannot map it.
std::optional<std::string> upper_case_invariant(std::string_view code_point) {
  const std::wstring wide = to_wide(code_point);
  // One code point is at most two UTF-16 units, and so is its upper case.
  std::array<wchar_t, 4> upper{};
  const int written = ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.c_str(),
                                      static_cast<int>(wide.size()), upper.data(),
                                      static_cast<int>(upper.size()), nullptr, nullptr, 0);
  if (written <= 0) return std::nullopt;
  return from_wide(std::wstring_view(upper.data(), static_cast<std::size_t>(written)));
}
#endif

}  // namespace

std::string thumbprint_text(std::span<const std::uint8_t, 20> sha1) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(sha1.size() * 2);
  for (const std::uint8_t b : sha1) {
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 0x0F]);
  }
  return out;
}

std::string normalize_pin(std::string_view pin) {
  const std::string_view trimmed = trim_white_space(pin);
  std::string out;
  out.reserve(trimmed.size());
  for (std::size_t i = 0; i < trimmed.size();) {
    const Decoded d = decode_at(trimmed, i);
    const std::string_view bytes = trimmed.substr(i, d.length);
    i += d.length;
    if (d.code_point >= 'a' && d.code_point <= 'z') {
      out.push_back(static_cast<char>(bytes[0] - 'a' + 'A'));
      continue;
    }
#ifdef _WIN32
    // Letters beyond ASCII (fullwidth ones, say); bytes that are not UTF-8
    // stay as they are.
    if (d.code_point >= 0x80 && d.code_point != kIllFormed) {
      if (std::optional<std::string> upper = upper_case_invariant(bytes)) {
        out += *upper;
        continue;
      }
    }
#endif
    out += bytes;
  }
  return out;
}

std::string thumbprint_mismatch_text(std::string_view normalized_pin,
                                     std::string_view thumbprint) {
  std::string out = "서명 지문이 다름(기대 ";
  out += normalized_pin;
  out += " \u00B7 실제 ";
  out += thumbprint;
  out += ')';
  return out;
}

std::expected<void, std::string> check_thumbprint_pin(
    const std::optional<std::string>& pinned, std::string_view thumbprint) {
  if (!pinned) return {};
  const std::string pin = normalize_pin(*pinned);
  if (pin.empty() || pin == thumbprint) return {};
  return std::unexpected(thumbprint_mismatch_text(pin, thumbprint));
}

}  // namespace win_common
