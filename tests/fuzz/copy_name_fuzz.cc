// Any installer path: the private copy's file name is the path's last
// component (after the last \ or /) or "installer.exe"; and it names a
// file in the copy's folder and nothing else: no separator, no drive or
// stream (a colon), no other character Windows refuses in a name, not
// empty nor a folder alias once Windows has dropped its trailing dots and
// blanks, and no device (CON, NUL, COM1, ... with any extension).

#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "held_installer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view path(reinterpret_cast<const char*>(data), size);
  const std::string name = updater::private_copy_name(path);
  for (const char c : name) FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20);
  FUZZ_CHECK(name.find_first_of("\\/:*?\"<>|") == std::string::npos);
  FUZZ_CHECK(name.find_last_not_of(". ") != std::string::npos);

  std::string stem = name.substr(0, name.find('.'));
  stem.erase(stem.find_last_not_of(' ') + 1);
  for (char& c : stem) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  const bool numbered = stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) &&
                        stem[3] >= '0' && stem[3] <= '9';
  FUZZ_CHECK(!numbered && stem != "CON" && stem != "PRN" && stem != "AUX" && stem != "NUL");

  if (name != "installer.exe") {
    FUZZ_CHECK(path.ends_with(name));
    const std::size_t before = path.size() - name.size();
    FUZZ_CHECK(before == 0 || path[before - 1] == '\\' || path[before - 1] == '/');
  }
  return 0;
}
