#include "held_installer.h"

#include <algorithm>

namespace updater {
namespace {

// Whether Windows takes `name` for a device wherever it stands: CON, PRN,
// AUX, NUL, COM0-9 or LPT0-9 in any letter case, with or without an
// extension or blanks before it.
bool names_device(std::string_view name) {
  std::string_view stem = name.substr(0, name.find('.'));
  while (stem.ends_with(' ')) stem.remove_suffix(1);
  if (stem.size() != 3 && stem.size() != 4) return false;
  std::string upper(stem);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL") return true;
  return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) &&
         upper[3] >= '0' && upper[3] <= '9';
}

}  // namespace

std::string private_copy_name(std::string_view installer) {
  const std::size_t separator = installer.find_last_of("\\/");
  const std::string_view name =
      separator == std::string_view::npos ? installer : installer.substr(separator + 1);
  // A drive or a stream (name:stream), a character no file name may hold,
  // a name Windows cuts to nothing or to a folder alias (it drops trailing
  // dots and blanks: ". " is the folder itself) or a device names no file
  // in the copy's folder.
  const bool forbidden = std::any_of(name.begin(), name.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 || std::string_view("<>:\"|?*").contains(c);
  });
  if (forbidden || name.find_last_not_of(". ") == std::string_view::npos || names_device(name))
    return "installer.exe";
  return std::string(name);
}

}  // namespace updater
