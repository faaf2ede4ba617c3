#pragma once
// The updater's command line: the only input it has.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace updater {

struct UpdaterArgs {
  std::optional<std::uint32_t> pid;
  std::optional<std::string> log_path;
  std::string locale = "ko";
  std::optional<std::string> app_exe;
  std::optional<std::string> installer;
  std::optional<std::string> thumbprint;
  // Paths given as text that is not valid UTF-16 (an unpaired surrogate).
  // They count as given and are logged with U+FFFD, but are never used.
  bool installer_unreadable = false;
  bool app_exe_unreadable = false;
};

// One command-line token as UTF-8. A token that is not valid UTF-16 (an
// unpaired surrogate) is not valid text: it carries U+FFFD in place of each
// unpaired surrogate.
struct ArgToken {
  std::string text;
  bool valid = true;
};
ArgToken arg_token(std::u16string_view utf16);

// "+42" and "0042" read as 42; anything else but one or more decimal
// digits (after an optional single "+") up to 4294967295 is no pid.
std::optional<std::uint32_t> parse_pid(std::string_view text);

// Scans the tokens after the program name. Never fails: every problem ends
// in a default or an absent field. A token that is not valid text is an
// unknown token. As an option's value it still counts as given for the
// installer and the application (marked unreadable) and for the pin (whose
// U+FFFD never matches); the pid and the log become absent and the locale
// falls back to Korean.
UpdaterArgs parse_args(std::span<const ArgToken> tokens);

}  // namespace updater
