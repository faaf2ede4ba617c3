#pragma once
// "update-result.json", left beside the run log for the chat application.

#include <string>
#include <string_view>

#include "outcome.h"

namespace updater {

inline constexpr std::string_view kResultFileName = "update-result.json";

// The log path with its file name replaced by "update-result.json". A path
// ending in a separator or a "." component loses its last named folder; a
// path ending in ".." or that is only a root or drive keeps everything.
std::string result_file_path(std::string_view log_path);

// A JSON string literal: quotes, backslashes and control characters escaped,
// everything else (U+007F and Korean included) as UTF-8; each ill-formed
// byte sequence (not UTF-8) becomes U+FFFD.
std::string json_string(std::string_view text);

// {"at":"t=...","detail":"...","ok":true}
std::string update_result_json(std::string_view at, const UpdateOutcome& outcome);

// Writes the file beside the log; every failure is swallowed.
void write_update_result(std::string_view log_path, const UpdateOutcome& outcome);

}  // namespace updater
