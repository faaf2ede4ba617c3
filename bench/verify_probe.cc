// Times the updater's check of a signed installer, for scripts/bench.sh.
//
//   verify_probe RUNS FILE...
//
// For each file, one line: "<file> <median ms> <slowest ms>", after one run
// that is not counted (it loads the trust provider's DLLs). A file that does
// not pass the check ends the probe with exit code 1.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "win_common/handles.h"
#include "win_common/signer_identity.h"
#include "win_common/utf.h"

namespace {

double now_ms() {
  LARGE_INTEGER t, f;
  ::QueryPerformanceCounter(&t);
  ::QueryPerformanceFrequency(&f);
  return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: verify_probe RUNS FILE...\n");
    return 2;
  }
  const int runs = std::max(1, static_cast<int>(std::wcstol(argv[1], nullptr, 10)));
  for (int i = 2; i < argc; ++i) {
    const std::string file = win_common::from_wide(argv[i]);
    // Held as the updater holds it: read through this handle only.
    const win_common::unique_file held(::CreateFileW(argv[i], GENERIC_READ, FILE_SHARE_READ,
                                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                                     nullptr));
    if (!held) {
      std::fprintf(stderr, "%s: cannot be opened\n", file.c_str());
      return 1;
    }
    std::vector<double> times;
    for (int run = 0; run <= runs; ++run) {
      const double start = now_ms();
      const auto identity = win_common::check_installer_signature(held.get(), file, std::nullopt);
      const double took = now_ms() - start;
      if (!identity) {
        std::fprintf(stderr, "%s: %s\n", file.c_str(), identity.error().c_str());
        return 1;
      }
      if (run > 0) times.push_back(took);
    }
    std::sort(times.begin(), times.end());
    std::printf("%s %.1f %.1f\n", file.c_str(), times[times.size() / 2], times.back());
  }
  return 0;
}
