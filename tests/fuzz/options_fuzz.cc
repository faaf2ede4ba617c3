// Any list of UTF-16 arguments (the input: UTF-16LE, the arguments
// separated by U+0000): the options come out as a plain reading of the
// scan rules says, written here apart from the product's scan.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "options.h"

namespace {

bool has_lone_surrogate(std::u16string_view t) {
  for (std::size_t i = 0; i < t.size(); ++i) {
    const bool high = t[i] >= 0xD800 && t[i] < 0xDC00;
    const bool low = t[i] >= 0xDC00 && t[i] < 0xE000;
    if (low) return true;
    if (high && (i + 1 == t.size() || t[i + 1] < 0xDC00 || t[i + 1] >= 0xE000)) return true;
    if (high) ++i;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::u16string> raw(1);
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    const auto unit = static_cast<char16_t>(data[i] | data[i + 1] << 8);
    if (unit == 0) {
      raw.emplace_back();
    } else {
      raw.back() += unit;
    }
  }
  if (size < 2) raw.clear();
  std::vector<updater::ArgToken> tokens;
  for (const std::u16string& t : raw) {
    tokens.push_back(updater::arg_token(t));
    FUZZ_CHECK(tokens.back().valid == !has_lone_surrogate(t));
  }

  // The rules: an option takes the next token whatever it is; unknown
  // tokens go one by one; the last occurrence wins; an option as the last
  // token clears its field, but the locale keeps its value.
  updater::UpdaterArgs want;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const updater::ArgToken& name = tokens[i];
    if (!name.valid) continue;
    const updater::ArgToken* value = i + 1 < raw.size() ? &tokens[i + 1] : nullptr;
    const std::optional<std::string> text =
        value && value->valid ? std::optional(value->text) : std::nullopt;
    const std::optional<std::string> given = value ? std::optional(value->text) : std::nullopt;
    if (name.text == "--pid") {
      want.pid = text ? updater::parse_pid(*text) : std::nullopt;
    } else if (name.text == "--log") {
      want.log_path = text;
    } else if (name.text == "--locale") {
      if (value) want.locale = text.value_or("");
    } else if (name.text == "--thumbprint") {
      want.thumbprint = given;
    } else if (name.text == "--app-exe") {
      want.app_exe = given;
      want.app_exe_unreadable = value && !value->valid;
    } else if (name.text == "--installer") {
      want.installer = given;
      want.installer_unreadable = value && !value->valid;
    } else {
      continue;
    }
    ++i;
  }

  const updater::UpdaterArgs got = updater::parse_args(tokens);
  FUZZ_CHECK(got.pid == want.pid);
  FUZZ_CHECK(got.log_path == want.log_path);
  FUZZ_CHECK(got.locale == want.locale);
  FUZZ_CHECK(got.app_exe == want.app_exe);
  FUZZ_CHECK(got.installer == want.installer);
  FUZZ_CHECK(got.thumbprint == want.thumbprint);
  FUZZ_CHECK(got.app_exe_unreadable == want.app_exe_unreadable);
  FUZZ_CHECK(got.installer_unreadable == want.installer_unreadable);
  return 0;
}
