#pragma once
// UTF-8 inside, UTF-16 only at the Windows API call.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace win_common {

// One character of UTF-8 text. An ill-formed sequence is not valid and
// spans its lead byte with the continuation bytes that follow it (at most
// as many as the lead byte announces), never a byte that starts another
// character.
struct Utf8Char {
  char32_t code_point;  // meaningful only when valid
  std::size_t length;   // bytes, at least 1
  bool valid;
};

// The character that starts at byte `at` (< text.size()).
Utf8Char decode_utf8(std::string_view text, std::size_t at);

// UTF-16 to UTF-8; each unpaired surrogate becomes U+FFFD.
std::string utf16_to_utf8(std::u16string_view text);

// UTF-16 to UTF-8, refusing text that holds an unpaired surrogate.
std::optional<std::string> utf16_to_utf8_strict(std::u16string_view text);

// UTF-8 to UTF-16; each ill-formed byte sequence becomes U+FFFD.
std::u16string utf8_to_utf16(std::string_view text);

}  // namespace win_common

#ifdef _WIN32
namespace win_common {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

// A NUL-terminated UTF-16 copy for one API call (c_str() of the result).
std::wstring to_wide(std::string_view text);

// Text read from Windows, unpaired surrogates replaced by U+FFFD.
std::string from_wide(std::wstring_view text);

}  // namespace win_common
#endif
