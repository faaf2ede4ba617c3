#pragma once
// Hexadecimal digits, as every text of the updater writes them.

namespace win_common {

// The digit of the low four bits of `value`: upper case unless asked.
constexpr char hex_digit(unsigned value, bool upper = true) {
  return (upper ? "0123456789ABCDEF" : "0123456789abcdef")[value & 0xFu];
}

}  // namespace win_common
