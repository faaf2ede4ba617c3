#pragma once

namespace updater {

// The updater ends with 0 in every case: success, a failed step, or nothing
// to do. Failures reach the chat application through the run log and
// update-result.json, never through the exit code.
inline constexpr int kExitAlways = 0;

// A fault of the program itself (std::terminate) ends it at once with the
// code abort gives (fatal_exit.cc).
inline constexpr int kExitFatal = 3;

}  // namespace updater
