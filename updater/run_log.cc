#include "run_log.h"

#include "file_io.h"

namespace updater {

std::string timestamp_text_at(std::chrono::system_clock::time_point now) {
  const auto seconds =
      std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count();
  return "t=" + std::to_string(seconds < 0 ? 0 : seconds);
}

std::string timestamp_text() { return timestamp_text_at(std::chrono::system_clock::now()); }

std::string log_line_text(std::string_view timestamp, std::string_view message) {
  std::string text;
  text.reserve(timestamp.size() + message.size() + 2);
  text += timestamp;
  text += ' ';
  // A value never starts a line of its own: its carriage returns and line
  // feeds are written as \r and \n. Everything else, backslashes among it,
  // is written as it is, so a path reads in the log as it was given
  // (Windows refuses CR and LF in file names).
  for (const char c : message) {
    if (c == '\r') {
      text += "\\r";
    } else if (c == '\n') {
      text += "\\n";
    } else {
      text += c;
    }
  }
  text += '\n';
  return text;
}

void RunLog::line(std::string_view message) const {
  if (!path_) return;
  append_file(*path_, log_line_text(timestamp_text(), message));
}

}  // namespace updater
