#pragma once
// What the chat application does with update-result.json at its next
// start (see docs/INTEGRATION.md): read the file, tell whether it is the
// result of the run it started, and decide what to do. The C++ standard
// library only (C++17 or later); the file's texts are UTF-8, so compile
// this as UTF-8 (MSVC: /utf-8).

#include <cstdint>
#include <optional>
#include <string>
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

// The file's three members.
struct UpdateResult {
  std::string at;      // "t=<Unix seconds>" when the file was written
  std::string detail;  // the signer's thumbprint, or the first failure's text (UTF-8)
  bool ok = false;     // the installer ran and ended with exit code 0
};

namespace detail {

// Reads a JSON string at `at` (its opening quote) into `out`; false when it
// is not one. \uXXXX escapes, surrogate pairs included, become UTF-8.
inline bool read_json_string(std::string_view json, std::size_t& at, std::string& out) {
  if (at >= json.size() || json[at] != '"') return false;
  const auto hex4 = [&json](std::size_t from, unsigned& value) {
    if (from + 4 > json.size()) return false;
    value = 0;
    for (std::size_t i = from; i < from + 4; ++i) {
      const char c = json[i];
      const int digit = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                               : -1;
      if (digit < 0) return false;
      value = value * 16 + static_cast<unsigned>(digit);
    }
    return true;
  };
  out.clear();
  for (++at; at < json.size(); ++at) {
    const char c = json[at];
    if (c == '"') {
      ++at;
      return true;
    }
    if (static_cast<unsigned char>(c) < 0x20) return false;
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++at >= json.size()) return false;
    switch (json[at]) {
      case '"':
      case '\\':
      case '/':
        out += json[at];
        break;
      case 'b':
        out += '\b';
        break;
      case 'f':
        out += '\f';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case 'u': {
        unsigned code = 0, low = 0;
        if (!hex4(at + 1, code)) return false;
        at += 4;
        if (code >= 0xD800 && code < 0xDC00 && json.substr(at + 1, 2) == "\\u" &&
            hex4(at + 3, low) && low >= 0xDC00 && low < 0xE000) {
          code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          at += 6;
        } else if (code >= 0xD800 && code < 0xE000) {
          code = 0xFFFD;  // an unpaired surrogate
        }
        if (code < 0x80) {
          out += static_cast<char>(code);
        } else if (code < 0x800) {
          out += static_cast<char>(0xC0 | (code >> 6));
          out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
          out += static_cast<char>(0xE0 | (code >> 12));
          out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
          out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
          out += static_cast<char>(0xF0 | (code >> 18));
          out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
          out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
          out += static_cast<char>(0x80 | (code & 0x3F));
        }
        break;
      }
      default:
        return false;
    }
  }
  return false;
}

}  // namespace detail

// The file's text read back; nothing when it is not a JSON object with the
// string members "at" and "detail" and the member "ok" (true or false).
// White space between the parts is allowed; members of other kinds are
// not (the updater writes none).
inline std::optional<UpdateResult> parse_update_result(std::string_view json) {
  UpdateResult result;
  bool has_at = false, has_detail = false, has_ok = false;
  std::size_t at = 0;
  const auto skip_blanks = [&] {
    while (at < json.size() &&
           (json[at] == ' ' || json[at] == '\t' || json[at] == '\n' || json[at] == '\r'))
      ++at;
  };
  const auto next_is = [&](char c) {
    skip_blanks();
    if (at >= json.size() || json[at] != c) return false;
    ++at;
    return true;
  };
  if (!next_is('{')) return std::nullopt;
  if (!next_is('}')) {
    do {
      std::string name;
      skip_blanks();
      if (!detail::read_json_string(json, at, name) || !next_is(':')) return std::nullopt;
      skip_blanks();
      if (name == "ok") {
        if (json.substr(at, 4) == "true") {
          result.ok = true;
          at += 4;
        } else if (json.substr(at, 5) == "false") {
          result.ok = false;
          at += 5;
        } else {
          return std::nullopt;
        }
        has_ok = true;
      } else {
        std::string value;
        if (!detail::read_json_string(json, at, value)) return std::nullopt;
        if (name == "at") {
          result.at = value;
          has_at = true;
        } else if (name == "detail") {
          result.detail = value;
          has_detail = true;
        }
      }
    } while (next_is(','));
    if (!next_is('}')) return std::nullopt;
  }
  skip_blanks();
  if (at != json.size() || !has_at || !has_detail || !has_ok) return std::nullopt;
  return result;
}

// The seconds of an `at` text, "t=1796752137" -> 1796752137; nothing for
// any other text.
inline std::optional<std::int64_t> at_seconds(std::string_view at) {
  if (at.size() < 3 || at.size() > 20 || at.substr(0, 2) != "t=") return std::nullopt;
  std::int64_t seconds = 0;
  for (const char c : at.substr(2)) {
    if (c < '0' || c > '9') return std::nullopt;
    seconds = seconds * 10 + (c - '0');
  }
  return seconds;
}

// Whether the result was written by the run that the application started
// at `started_at` (Unix seconds, taken and saved just before it started the
// updater): written at that second or later. An older file is the result of
// an earlier run and counts as no result.
inline bool is_from_run_started_at(const UpdateResult& result, std::int64_t started_at) {
  const std::optional<std::int64_t> written = at_seconds(result.at);
  return written && *written >= started_at;
}

// What to do at the first start after an update that the application
// started at `started_at`: `result` is the file as read (nothing when it is
// missing or unreadable), `expected_version_installed` whether the version
// that the installer brings is the one now installed.
//   - the run's result says ok: Installed, or Report when the installer
//     ended with 0 without installing that version;
//   - it says failed: the advice for its detail;
//   - no result of that run (the updater did not get that far, or could
//     not write): the installed version decides, Installed or RetryLater.
inline UpdateAdvice advice_after_update(const std::optional<UpdateResult>& result,
                                        std::int64_t started_at, bool expected_version_installed) {
  if (!result || !is_from_run_started_at(*result, started_at))
    return expected_version_installed ? UpdateAdvice::Installed : UpdateAdvice::RetryLater;
  if (result->ok)
    return expected_version_installed ? UpdateAdvice::Installed : UpdateAdvice::Report;
  return advice_for(false, result->detail);
}

}  // namespace parleynest
