#include "held_installer.h"

namespace updater {

std::string private_copy_name(std::string_view installer) {
  const std::size_t separator = installer.find_last_of("\\/");
  const std::string_view name =
      separator == std::string_view::npos ? installer : installer.substr(separator + 1);
  // A drive, a stream (name:stream) or a folder alias names no file here.
  if (name.empty() || name == "." || name == ".." || name.find(':') != std::string_view::npos)
    return "installer.exe";
  return std::string(name);
}

}  // namespace updater
