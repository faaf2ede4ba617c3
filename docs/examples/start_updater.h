#pragma once
// Starting PARLEYNEST-Updater.exe from the chat application: the command
// line and the start. Windows API and the C++ standard library only; the
// demo application of this project uses this file as it is (see
// docs/INTEGRATION.md).

#include <windows.h>

#include <string>
#include <string_view>

namespace parleynest {

// What the application hands to the updater. Every path is a full path
// (C:\...); a relative one is never started.
struct UpdaterLaunch {
  std::wstring updater;     // PARLEYNEST-Updater.exe
  std::wstring installer;   // the downloaded installer
  std::wstring app_exe;     // this application, started again at the end
  std::wstring log;         // the run log; update-result.json goes beside it
  std::wstring locale;      // "ko", "en-US", "en-GB" or "ja": see updater_locale
  std::wstring thumbprint;  // the pinned signer thumbprint, 40 hex digits
};

// The updater's language for the application's UI language, a tag such as
// "ko", "ko-KR", "ja-JP", "en", "en-AU" or "en_GB" (any letter case): the
// updater knows only "ko", "en-US", "en-GB" and "ja" and shows Korean for
// anything else. Korean and Japanese by their language; English as British
// English where the region writes that way (GB, IE, AU, NZ, ZA, IN),
// otherwise as American English, also for a language the updater does not
// speak; Korean, the application's own language, when there is none.
inline std::wstring updater_locale(std::wstring_view ui_language) {
  std::wstring language, region;
  std::size_t part = 0;
  for (std::size_t at = 0; at <= ui_language.size(); ++part) {
    std::size_t end = ui_language.find_first_of(L"-_", at);
    if (end == std::wstring_view::npos) end = ui_language.size();
    std::wstring subtag(ui_language.substr(at, end - at));
    for (wchar_t& c : subtag)
      if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    if (part == 0)
      language = subtag;
    else if (region.empty() && subtag.size() == 2)
      region = subtag;  // after a script: en-Latn-GB
    at = end + 1;
  }
  if (language.empty() || language == L"ko") return L"ko";
  if (language == L"ja") return L"ja";
  if (language == L"en") {
    for (const wchar_t* british : {L"gb", L"uk", L"ie", L"au", L"nz", L"za", L"in"})
      if (region == british) return L"en-GB";
  }
  return L"en-US";
}

// Appends one argument so that the Windows C runtime (and
// CommandLineToArgvW) splits it back unchanged: in double quotes, a double
// quote inside written as \", and the backslashes just before a double
// quote or before the closing quote doubled. Other backslashes stay single.
inline void append_argument(std::wstring& line, std::wstring_view arg) {
  line += L'"';
  std::size_t backslashes = 0;
  for (const wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') backslashes = backslashes * 2 + 1;
    line.append(backslashes, L'\\');
    backslashes = 0;
    line += c;
  }
  line.append(backslashes * 2, L'\\');
  line += L'"';
}

// The whole command line: the updater's own path first (in double quotes,
// never escaped: a path cannot hold a double quote), then each option and
// its value. The pin is left out when there is none.
inline std::wstring updater_command_line(const UpdaterLaunch& launch, DWORD pid) {
  std::wstring line = L"\"" + launch.updater + L"\"";
  const auto option = [&line](std::wstring_view name, std::wstring_view value) {
    line += L' ';
    line += name;
    line += L' ';
    append_argument(line, value);
  };
  option(L"--pid", std::to_wstring(pid));
  option(L"--installer", launch.installer);
  option(L"--app-exe", launch.app_exe);
  option(L"--log", launch.log);
  option(L"--locale", launch.locale);
  if (!launch.thumbprint.empty()) option(L"--thumbprint", launch.thumbprint);
  return line;
}

// Starts the updater as a process of its own: it inherits no handle of
// ours (no open file, no pipe), it is not waited for, and, where our job
// allows it, it leaves our job object so that it outlives us. Its current
// folder becomes `current_folder` (the application's folder), which the
// application inherits when the updater starts it again. Returns false when
// it could not be started (GetLastError says why): then do not exit.
// After true, the application must exit within 30 seconds.
inline bool start_updater(const UpdaterLaunch& launch, const std::wstring& current_folder) {
  std::wstring line = updater_command_line(launch, ::GetCurrentProcessId());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  const wchar_t* folder = current_folder.empty() ? nullptr : current_folder.c_str();
  BOOL started = ::CreateProcessW(launch.updater.c_str(), line.data(), nullptr, nullptr, FALSE,
                                  CREATE_BREAKAWAY_FROM_JOB, nullptr, folder, &startup, &info);
  if (!started && ::GetLastError() == ERROR_ACCESS_DENIED) {
    // Our job does not allow leaving it: start the updater inside it.
    started = ::CreateProcessW(launch.updater.c_str(), line.data(), nullptr, nullptr, FALSE, 0,
                               nullptr, folder, &startup, &info);
  }
  if (!started) return false;
  ::CloseHandle(info.hThread);
  ::CloseHandle(info.hProcess);
  return true;
}

}  // namespace parleynest
