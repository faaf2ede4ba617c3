#pragma once

#include <cstddef>
#include <string>

namespace updater {

// The four steps of a run; the index is the progress dialog's row.
enum class UpdateStep : std::size_t { Wait = 0, Verify = 1, Install = 2, Restart = 3 };

// What the Wait, Verify and Install steps came to: success with the
// signer's thumbprint, or the message of the first step that failed.
struct UpdateOutcome {
  bool ok = false;
  std::string text;  // the detail on success, the message on failure

  static UpdateOutcome success(std::string detail) { return {true, std::move(detail)}; }
  static UpdateOutcome failure(std::string message) { return {false, std::move(message)}; }
};

}  // namespace updater
