#include "options.h"

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
  if (!token) return std::nullopt;
  const std::string& t = *token;
  if (t == "--pid") return Option::Pid;
  if (t == "--log") return Option::Log;
  if (t == "--locale") return Option::Locale;
  if (t == "--app-exe") return Option::AppExe;
  if (t == "--installer") return Option::Installer;
  if (t == "--thumbprint") return Option::Thumbprint;
  return std::nullopt;
}

std::optional<std::string>* text_field(UpdaterArgs& args, Option option) {
  switch (option) {
    case Option::Log: return &args.log_path;
    case Option::AppExe: return &args.app_exe;
    case Option::Installer: return &args.installer;
    case Option::Thumbprint: return &args.thumbprint;
    case Option::Pid:
    case Option::Locale: break;
  }
  return nullptr;
}

}  // namespace

UpdaterArgs parse_args(std::span<const ArgToken> tokens) {
  UpdaterArgs args;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    const std::optional<Option> option = option_named(tokens[i]);
    if (!option) continue;  // unknown token: skipped alone
    const bool has_value = i + 1 < tokens.size();
    const ArgToken* value = has_value ? &tokens[++i] : nullptr;
    switch (*option) {
      case Option::Pid:
        args.pid = (value && *value) ? parse_pid(**value) : std::nullopt;
        break;
      case Option::Locale:
        if (value) args.locale = *value ? **value : std::string();
        break;
      default:
        *text_field(args, *option) = value ? *value : std::nullopt;
        break;
    }
  }
  return args;
}

}  // namespace updater
