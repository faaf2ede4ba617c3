#pragma once
// What the chat application does with update-result.json at its next
// start (see docs/INTEGRATION.md). The C++ standard library only; the file's
// texts are UTF-8, so compile this as UTF-8 (MSVC: /utf-8).

#include <cstdint>
#include <string_view>

namespace parleynest {

enum class UpdateAdvice {
  Installed,      // the new version is installed
  DownloadAgain,  // the downloaded file was unusable: delete it, download it once more
  RetryLater,     // something on this machine got in the way: tell the user, retry later
  Report,         // the installer or the call is wrong: no retry, report the detail
};

// Whether `at` as read from the file ("t=" and Unix seconds) is from the
// run started at `started` (Unix seconds, saved just before the updater
// was started). When it is not, or cannot be read, the file is an earlier
// run's: treat it as no file.
inline bool written_since(std::string_view at, std::int64_t started) {
  if (at.substr(0, 2) != "t=" || at.size() == 2 || at.size() > 20) return false;
  std::int64_t seconds = 0;
  for (const char c : at.substr(2)) {
    if (c < '0' || c > '9') return false;
    seconds = seconds * 10 + (c - '0');
  }
  return seconds >= started;
}

// `ok` and `detail` as read from a file of this run.
inline UpdateAdvice advice_for(bool ok, std::string_view detail) {
  if (ok) return UpdateAdvice::Installed;
  const auto starts = [detail](std::string_view text) {
    return detail.substr(0, text.size()) == text;
  };
  const auto ends = [detail](std::string_view text) {
    return detail.size() >= text.size() && detail.substr(detail.size() - text.size()) == text;
  };
  if (starts("설치 파일 잠금 실패: ") || starts("Authenticode 검증 실패 (코드=0x"))
    return UpdateAdvice::DownloadAgain;
  if ((starts("본체(pid=") && ends("초 안에 끝나지 않음")) || starts("설치 파일 복사 실패: ") ||
      starts("설치 파일 종료 코드 ") || starts("설치 제한 시간 "))
    return UpdateAdvice::RetryLater;
  return UpdateAdvice::Report;
}

}  // namespace parleynest
