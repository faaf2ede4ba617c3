// Plays the other side in the attack tests.
//
//   write-hold FILE READY DONE   keeps FILE open for writing, after making
//                                READY, until DONE exists (2 minutes at most).
//   start PROGRAM ARGS...        runs PROGRAM with ARGS, each "{D800}" in
//                                them an unpaired surrogate, and waits.
// Started any other way (as an installer is) it leaves "intruder.ran" in
// the folder PN_FAKE_HOME and ends with 0.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

namespace {

void touch(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
}

int write_hold(wchar_t** argv) {
  HANDLE h = CreateFileW(argv[2], GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 1;
  touch(argv[3]);
  for (int i = 0; i < 1200 && GetFileAttributesW(argv[4]) == INVALID_FILE_ATTRIBUTES; ++i)
    Sleep(100);
  CloseHandle(h);
  return 0;
}

int start(int argc, wchar_t** argv) {
  std::wstring line = L"\"" + std::wstring(argv[2]) + L"\"";
  for (int i = 3; i < argc; ++i) {
    std::wstring arg = argv[i];
    for (std::size_t at; (at = arg.find(L"{D800}")) != std::wstring::npos;)
      arg.replace(at, 6, 1, L'\xD800');
    line += L" \"" + arg + L"\"";
  }
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(argv[2], line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return 100;
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 101;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return static_cast<int>(code);
}

void leave_mark() {
  std::wstring home(32768, L'\0');
  home.resize(
      GetEnvironmentVariableW(L"PN_FAKE_HOME", home.data(), static_cast<DWORD>(home.size())));
  touch(home + L"\\intruder.ran");
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  int code = 0;
  if (mode == L"write-hold" && argc == 5) {
    code = write_hold(argv);
  } else if (mode == L"start" && argc >= 3) {
    code = start(argc, argv);
  } else {
    leave_mark();
  }
  LocalFree(argv);
  return code;
}
