#pragma once
// UTF-8 as Unicode defines it (well-formed byte sequences, table 3-7),
// written apart from the product's conversions for the fuzz targets.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace fuzz {

// The length of the well-formed sequence at `at`, or 0.
inline std::size_t utf8_sequence(std::string_view s, std::size_t at) {
  const auto b = [&](std::size_t i) {
    return at + i < s.size() ? static_cast<unsigned char>(s[at + i]) : 0x100u;
  };
  const auto tail = [&](std::size_t i) { return b(i) >= 0x80 && b(i) <= 0xBF; };
  const unsigned lead = b(0);
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return tail(1) ? 2 : 0;
  if (lead >= 0xE0 && lead <= 0xEF) {
    const unsigned lo = lead == 0xE0 ? 0xA0 : 0x80, hi = lead == 0xED ? 0x9F : 0xBF;
    return b(1) >= lo && b(1) <= hi && tail(2) ? 3 : 0;
  }
  if (lead >= 0xF0 && lead <= 0xF4) {
    const unsigned lo = lead == 0xF0 ? 0x90 : 0x80, hi = lead == 0xF4 ? 0x8F : 0xBF;
    return b(1) >= lo && b(1) <= hi && tail(2) && tail(3) ? 4 : 0;
  }
  return 0;
}

inline bool valid_utf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t n = utf8_sequence(s, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

// UTF-16 to UTF-8 with each unpaired surrogate as U+FFFD; `lone` counts them.
inline std::string utf8_of(std::u16string_view t, std::size_t* lone = nullptr) {
  std::string out;
  const auto put = [&](char32_t c) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | c >> 12);
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | c >> 18);
      out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  };
  if (lone) *lone = 0;
  for (std::size_t i = 0; i < t.size(); ++i) {
    const char32_t u = t[i];
    if (u >= 0xD800 && u < 0xDC00 && i + 1 < t.size() && t[i + 1] >= 0xDC00 && t[i + 1] < 0xE000) {
      put(0x10000 + ((u - 0xD800) << 10) + (t[++i] - 0xDC00));
    } else if (u >= 0xD800 && u < 0xE000) {
      put(0xFFFD);
      if (lone) ++*lone;
    } else {
      put(u);
    }
  }
  return out;
}

inline std::u16string utf16_units(const std::uint8_t* data, std::size_t size) {
  std::u16string out;
  for (std::size_t i = 0; i + 1 < size; i += 2)
    out += static_cast<char16_t>(data[i] | data[i + 1] << 8);
  return out;
}

}  // namespace fuzz
