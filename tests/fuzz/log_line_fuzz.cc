// Any message and time: the run log line is the timestamp, a blank, the
// message and a line feed, and it is one line: the message's own carriage
// returns and line feeds take two bytes each, everything between them is
// written as it is (a message without them verbatim).

#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "run_log.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view message(reinterpret_cast<const char*>(data), size);
  std::int64_t seconds = 0;
  std::memcpy(&seconds, data, std::min(size, sizeof seconds));
  seconds %= 9'000'000'000;  // within the clock's range (nanoseconds)
  const std::string stamp = updater::timestamp_text_at(
      std::chrono::system_clock::time_point(std::chrono::seconds(seconds)));
  FUZZ_CHECK(stamp == "t=" + std::to_string(seconds < 0 ? 0 : seconds));

  const std::string line = updater::log_line_text(stamp, message);
  FUZZ_CHECK(line.starts_with(stamp + ' '));
  FUZZ_CHECK(line.ends_with('\n'));
  const std::string_view written =
      std::string_view(line).substr(stamp.size() + 1, line.size() - stamp.size() - 2);
  FUZZ_CHECK(written.find_first_of("\r\n") == std::string_view::npos);
  std::size_t breaks = 0, at = 0;
  for (std::size_t from = 0; from <= message.size();) {
    const std::size_t to = std::min(message.find_first_of("\r\n", from), message.size());
    const std::string_view piece = message.substr(from, to - from);
    FUZZ_CHECK(written.substr(at, piece.size()) == piece);
    at += piece.size() + 2;
    breaks += to < message.size();
    from = to + 1;
  }
  FUZZ_CHECK(written.size() == message.size() + breaks);
  if (breaks == 0) FUZZ_CHECK(written == message);
  return 0;
}
