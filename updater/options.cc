#include "options.h"

#include <utility>

#include "win_common/utf.h"

namespace updater {

std::optional<std::uint32_t> parse_pid(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > UINT32_MAX) return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
}

namespace {

enum class Option { Pid, Log, Locale, AppExe, Installer, Thumbprint };

std::optional<Option> option_named(const ArgToken& token) {
  if (!token.valid) return std::nullopt;
  const std::string& t = token.text;
  if (t == "--pid") return Option::Pid;
  if (t == "--log") return Option::Log;
  if (t == "--locale") return Option::Locale;
  if (t == "--app-exe") return Option::AppExe;
  if (t == "--installer") return Option::Installer;
  if (t == "--thumbprint") return Option::Thumbprint;
  return std::nullopt;
}

}  // namespace

ArgToken arg_token(std::u16string_view utf16) {
  if (auto strict = win_common::utf16_to_utf8_strict(utf16)) return {std::move(*strict), true};
  return {win_common::utf16_to_utf8(utf16), false};
}

UpdaterArgs parse_args(std::span<const ArgToken> tokens) {
  UpdaterArgs args;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    const std::optional<Option> option = option_named(tokens[i]);
    if (!option) continue;  // unknown token: skipped alone
    const bool has_value = i + 1 < tokens.size();
    const ArgToken* value = has_value ? &tokens[++i] : nullptr;
    const bool readable = value && value->valid;
    const auto set_path = [&](std::optional<std::string>& field, bool& unreadable) {
      field = value ? std::optional(value->text) : std::nullopt;
      unreadable = value && !value->valid;
    };
    switch (*option) {
      case Option::Pid:
        args.pid = readable ? parse_pid(value->text) : std::nullopt;
        break;
      case Option::Locale:
        if (value) args.locale = readable ? value->text : std::string();
        break;
      case Option::Log:
        args.log_path = readable ? std::optional(value->text) : std::nullopt;
        break;
      case Option::Thumbprint:
        args.thumbprint = value ? std::optional(value->text) : std::nullopt;
        break;
      case Option::AppExe:
        set_path(args.app_exe, args.app_exe_unreadable);
        break;
      case Option::Installer:
        set_path(args.installer, args.installer_unreadable);
        break;
    }
  }
  return args;
}

}  // namespace updater
