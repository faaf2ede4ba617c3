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
};

// One command-line token. A token that is not valid UTF-16 (an unpaired
// surrogate) cannot be held as UTF-8 and arrives as nullopt.
using ArgToken = std::optional<std::string>;

// "+42" and "0042" read as 42; anything else but one or more decimal
// digits (after an optional single "+") up to 4294967295 is no pid.
std::optional<std::uint32_t> parse_pid(std::string_view text);

// Scans the tokens after the program name. Never fails: every problem ends
// in a default or an absent field. A token that is not valid text is an
// unknown token; as an option's value it counts as a value that cannot be
// used (the field becomes absent; the locale falls back to Korean).
UpdaterArgs parse_args(std::span<const ArgToken> tokens);

}  // namespace updater
