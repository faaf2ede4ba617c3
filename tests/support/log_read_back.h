#pragma once
// A value of the run log read back to what was logged: a run of n
// backslashes before "r" or "n" stands for n/2 backslashes, and for an odd
// n the last one and the letter stand for a carriage return or line feed;
// every other backslash is itself.

#include <string>
#include <string_view>

namespace test_support {

inline std::string read_back_log_value(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t n = 0;
    while (i + n < text.size() && text[i + n] == '\\') ++n;
    const char after = i + n < text.size() ? text[i + n] : '\0';
    if (after != 'r' && after != 'n') {
      out.append(n, '\\');
      i += n;
      if (n == 0) out += text[i++];
      continue;
    }
    out.append(n / 2, '\\');
    out += n % 2 == 1 ? (after == 'r' ? '\r' : '\n') : after;
    i += n + 1;
  }
  return out;
}

}  // namespace test_support
