// Any message and time: the run log line is the timestamp, a blank, the
// message with no carriage return or line feed of its own and a line feed,
// and it reads back to the message (tests/support/log_read_back.h).

#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "log_read_back.h"
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
  FUZZ_CHECK(test_support::read_back_log_value(written) == message);
  return 0;
}
