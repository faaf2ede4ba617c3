#include "private_folder.h"

#include "options.h"

namespace updater {

std::string private_folder_name(std::uint32_t pid, unsigned attempt) {
  return std::string(kPrivateFolderPrefix) + std::to_string(pid) + "-" + std::to_string(attempt);
}

std::optional<std::uint32_t> private_folder_owner(std::string_view name) {
  if (!name.starts_with(kPrivateFolderPrefix)) return std::nullopt;
  const std::string_view numbers = name.substr(kPrivateFolderPrefix.size());
  const std::size_t dash = numbers.find('-');
  if (dash == std::string_view::npos) return std::nullopt;
  const std::optional<std::uint32_t> pid = parse_pid(numbers.substr(0, dash));
  const std::optional<std::uint32_t> attempt = parse_pid(numbers.substr(dash + 1));
  // Only the name as the updater writes it: no sign, no leading zero.
  if (!pid || !attempt || private_folder_name(*pid, *attempt) != name) return std::nullopt;
  return pid;
}

}  // namespace updater
