// An installer built for the console subsystem, as many are. Each start
// appends to "<PN_FAKE_HOME or its own folder>\console-installer.seen"
// whether it was given a console window ("window") or not ("none"), and it
// ends with 0.
#include <windows.h>

#include <string>

int wmain() {
  std::wstring home(32768, L'\0');
  home.resize(
      GetEnvironmentVariableW(L"PN_FAKE_HOME", home.data(), static_cast<DWORD>(home.size())));
  if (home.empty()) {
    home.resize(32768);
    home.resize(GetModuleFileNameW(nullptr, home.data(), static_cast<DWORD>(home.size())));
    home.resize(home.find_last_of(L'\\'));
  }
  const char* seen = GetConsoleWindow() ? "window\n" : "none\n";
  HANDLE h = CreateFileW((home + L"\\console-installer.seen").c_str(), FILE_APPEND_DATA,
                         FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(h, seen, static_cast<DWORD>(std::char_traits<char>::length(seen)), &written, nullptr);
  CloseHandle(h);
  return 0;
}
