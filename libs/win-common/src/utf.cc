#include "win_common/utf.h"

#include <cstdint>

namespace win_common {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void append_utf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

bool is_high(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool is_low(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Walks UTF-16 code points; calls on_unpaired for a lone surrogate.
template <typename OnPaired, typename OnUnpaired>
void walk_utf16(std::u16string_view text, OnPaired on_code_point, OnUnpaired on_unpaired) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t u = text[i];
    if (is_high(u) && i + 1 < text.size() && is_low(text[i + 1])) {
      const char32_t cp = 0x10000 + ((static_cast<char32_t>(u - 0xD800) << 10) |
                                     static_cast<char32_t>(text[i + 1] - 0xDC00));
      on_code_point(cp);
      ++i;
    } else if (is_high(u) || is_low(u)) {
      on_unpaired();
    } else {
      on_code_point(static_cast<char32_t>(u));
    }
  }
}

}  // namespace

std::string utf16_to_utf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  walk_utf16(
      text, [&](char32_t cp) { append_utf8(out, cp); }, [&] { append_utf8(out, kReplacement); });
  return out;
}

std::optional<std::string> utf16_to_utf8_strict(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  bool valid = true;
  walk_utf16(
      text, [&](char32_t cp) { append_utf8(out, cp); }, [&] { valid = false; });
  if (!valid) return std::nullopt;
  return out;
}

Utf8Char decode_utf8(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(at);
  if (lead < 0x80) return {lead, 1, true};
  std::size_t need = 0;
  char32_t cp = 0;
  char32_t min = 0;
  if ((lead & 0xE0) == 0xC0) {
    need = 1, cp = lead & 0x1F, min = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    need = 2, cp = lead & 0x0F, min = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    need = 3, cp = lead & 0x07, min = 0x10000;
  } else {
    return {kReplacement, 1, false};
  }
  std::size_t j = 1;
  for (; j <= need && at + j < text.size(); ++j) {
    const std::uint8_t b = byte(at + j);
    if ((b & 0xC0) != 0x80) break;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (j <= need || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
    return {kReplacement, j, false};
  return {cp, need + 1, true};
}

std::u16string utf8_to_utf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const Utf8Char c = decode_utf8(text, i);
    i += c.length;
    // Ill-formed sequences come out as U+FFFD.
    char32_t cp = c.valid ? c.code_point : kReplacement;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

#ifdef _WIN32
std::wstring to_wide(std::string_view text) {
  const std::u16string u16 = utf8_to_utf16(text);
  return std::wstring(u16.begin(), u16.end());
}

std::string from_wide(std::wstring_view text) {
  return utf16_to_utf8(
      std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}
#endif

}  // namespace win_common
