#include "win_common/error_text.h"

#include <cstdint>

#include "win_common/hex.h"

namespace win_common {

std::uint32_t hresult_from_code(std::uint32_t code) {
  if (static_cast<std::int32_t>(code) <= 0) return code;
  return 0x80070000u | (code & 0xFFFFu);
}

std::string hex8(std::uint32_t value) {
  std::string out(8, '0');
  for (int i = 7; i >= 0; --i) {
    out[static_cast<std::size_t>(i)] = hex_digit(value);
    value >>= 4;
  }
  return out;
}

std::string_view trim_trailing_space(std::string_view text) {
  while (!text.empty()) {
    const char c = text.back();
    if (c != '\t' && c != '\n' && c != '\v' && c != '\f' && c != '\r' && c != ' ') break;
    text.remove_suffix(1);
  }
  return text;
}

std::string compose_windows_error_text(std::optional<std::string_view> message,
                                       std::uint32_t hresult) {
  std::string code = "0x" + hex8(hresult);
  if (!message) return code;
  std::string out(trim_trailing_space(*message));
  out += " (";
  out += code;
  out += ')';
  return out;
}

std::string compose_system_error_text(std::optional<std::string_view> message, std::uint32_t code) {
  std::string out =
      message ? std::string(trim_trailing_space(*message)) : "OS Error " + std::to_string(code);
  out += " (os error ";
  out += std::to_string(code);
  out += ')';
  return out;
}

}  // namespace win_common
