// Any --pid text: a pid exactly when it is an optional "+" and one or more
// ASCII digits worth at most 4294967295 (leading zeros allowed), and then
// the number those digits spell.

#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string_view digits = text.starts_with('+') ? text.substr(1) : text;
  bool well_formed = !digits.empty();
  for (const char c : digits) well_formed = well_formed && c >= '0' && c <= '9';
  while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
  const std::string_view kMax = "4294967295";
  const bool in_range =
      digits.size() < kMax.size() || (digits.size() == kMax.size() && digits <= kMax);

  const std::optional<std::uint32_t> pid = updater::parse_pid(text);
  FUZZ_CHECK(pid.has_value() == (well_formed && in_range));
  if (pid) FUZZ_CHECK(std::to_string(*pid) == digits);
  return 0;
}
