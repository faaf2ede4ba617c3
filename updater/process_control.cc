#include "process_control.h"

#include "win_common/error_text.h"

namespace updater {

std::string wait_timeout_message(std::uint64_t seconds) {
  return std::to_string(seconds) + "초 안에 끝나지 않음";
}

std::string wait_rc_message(std::uint32_t rc) {
  return "WaitForSingleObject rc=0x" + win_common::hex8(rc);
}

std::string error_text(const ProcessError& error) {
  struct Render {
    std::string operator()(const WaitFailed& e) const {
      return "본체(pid=" + std::to_string(e.pid) + ") 종료 대기 실패: " + e.message;
    }
    std::string operator()(const InstallerSpawn& e) const {
      return "설치 파일 실행 실패: " + e.system_error;
    }
    std::string operator()(const InstallerExitCode& e) const {
      return "설치 파일 종료 코드 " + std::to_string(e.code);
    }
    std::string operator()(const InstallerTimeout& e) const {
      return "설치 제한 시간 " + std::to_string(e.seconds) + "초 초과";
    }
  };
  return std::visit(Render{}, error);
}

std::uint32_t wait_milliseconds(std::chrono::nanoseconds limit) {
  if (limit.count() <= 0) return 0;
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(limit);
  const std::uint64_t sub_ms = static_cast<std::uint64_t>((limit - seconds).count()) / 1'000'000u;
  const std::uint64_t whole = static_cast<std::uint64_t>(seconds.count());
  constexpr std::uint64_t kMax = 0xFFFFFFFFu;
  if (whole > kMax / 1000u) return 0xFFFFFFFFu;
  const std::uint64_t ms = whole * 1000u + sub_ms;
  return static_cast<std::uint32_t>(ms > kMax ? kMax : ms);
}

bool is_absolute_path(std::string_view path) {
  const auto separator = [&](std::size_t i) {
    return i < path.size() && (path[i] == '\\' || path[i] == '/');
  };
  if (separator(0)) return separator(1);
  const bool drive = path.size() >= 2 && path[1] == ':' &&
                     ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  return drive && separator(2);
}

namespace {

// An argument as the Microsoft C runtime splits it back: quoted when it is
// empty or holds a blank or a quote, with backslashes doubled before a quote.
void append_argument(std::string& line, std::string_view arg) {
  const bool quote = arg.empty() || arg.find_first_of(" \t\"") != std::string_view::npos;
  if (!quote) {
    line += arg;
    return;
  }
  line += '"';
  std::size_t backslashes = 0;
  for (const char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') backslashes = backslashes * 2 + 1;
    line.append(backslashes, '\\');
    backslashes = 0;
    line += c;
  }
  line.append(backslashes * 2, '\\');
  line += '"';
}

}  // namespace

std::optional<std::string> command_line(std::string_view program,
                                        std::span<const std::string_view> args) {
  if (program.find_first_of(std::string_view("\"\0", 2)) != std::string_view::npos)
    return std::nullopt;
  std::string line = "\"";
  line += program;
  line += '"';
  for (const std::string_view arg : args) {
    line += ' ';
    append_argument(line, arg);
  }
  return line;
}

}  // namespace updater
