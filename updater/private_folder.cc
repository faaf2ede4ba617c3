#include "private_folder.h"

#include <limits>

namespace updater {
namespace {

// Decimal digits as std::to_string writes them: no sign, no leading zero.
std::optional<std::uint64_t> decimal(std::string_view digits) {
  if (digits.empty() || digits.size() > 10 || (digits.size() > 1 && digits[0] == '0'))
    return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  return value;
}

}  // namespace

std::string private_folder_name(std::uint32_t pid, unsigned attempt) {
  return std::string(kPrivateFolderPrefix) + std::to_string(pid) + "-" + std::to_string(attempt);
}

std::optional<std::uint32_t> private_folder_owner(std::string_view name) {
  if (!name.starts_with(kPrivateFolderPrefix)) return std::nullopt;
  name.remove_prefix(kPrivateFolderPrefix.size());
  const std::size_t dash = name.find('-');
  if (dash == std::string_view::npos || !decimal(name.substr(dash + 1))) return std::nullopt;
  const std::optional<std::uint64_t> pid = decimal(name.substr(0, dash));
  if (!pid || *pid > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  return static_cast<std::uint32_t>(*pid);
}

}  // namespace updater
