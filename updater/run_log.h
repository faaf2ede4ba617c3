#pragma once
// The run log: one line per event, appended to the file named by --log.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace updater {

// "t=" and the whole seconds since 1970-01-01 UTC (0 for an earlier clock).
std::string timestamp_text_at(std::chrono::system_clock::time_point now);
std::string timestamp_text();

// "<timestamp> <message>\n", with each carriage return and line feed of the
// message written as \r and \n: one event is always one line. Every other
// byte, backslashes among them, is written as it is.
std::string log_line_text(std::string_view timestamp, std::string_view message);

class RunLog {
 public:
  explicit RunLog(std::optional<std::string> path) : path_(std::move(path)) {}

  // Appends one line. The file is opened and closed for every line, so the
  // chat application can read or move it meanwhile; failures lose the line.
  void line(std::string_view message) const;

  const std::optional<std::string>& path() const { return path_; }

 private:
  std::optional<std::string> path_;
};

}  // namespace updater
