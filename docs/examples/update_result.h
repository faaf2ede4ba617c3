#pragma once
// What the chat application does with update-result.json at its next
// start (see docs/INTEGRATION.md). The C++ standard library only; the file's
// texts are UTF-8, so compile this as UTF-8 (MSVC: /utf-8).

#include <string_view>

namespace parleynest {

enum class UpdateAdvice {
  Installed,      // the new version is installed
  DownloadAgain,  // the downloaded file was unusable: delete it, download it once more
  RetryLater,     // something on this machine got in the way: tell the user, retry later
  Report,         // the installer or the call is wrong: no retry, report the detail
};

// `ok` and `detail` as read from the file.
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
