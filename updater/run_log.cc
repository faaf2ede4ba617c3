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
  // A value inside the message never starts a line of its own, and the
  // line reads back to the message: a run of backslashes before an "r" or
  // "n" is doubled (so a path such as C:\new stays apart from a line
  // feed), every other backslash is written as it is.
  std::size_t backslashes = 0;
  for (const char c : message) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    const bool escape_follows = c == '\r' || c == '\n';
    text.append(c == 'r' || c == 'n' || escape_follows ? backslashes * 2 : backslashes, '\\');
    backslashes = 0;
    if (c == '\r') {
      text += "\\r";
    } else if (c == '\n') {
      text += "\\n";
    } else {
      text += c;
    }
  }
  text.append(backslashes, '\\');
  text += '\n';
  return text;
}

void RunLog::line(std::string_view message) const {
  if (!path_) return;
  append_file(*path_, log_line_text(timestamp_text(), message));
}

}  // namespace updater
