// Plays the program the user is working in while the updater runs.
//
//   bystander READY RECORD STOP
//
// Shows a window and makes it the foreground window; once it is, writes
// READY. Then, until the file STOP exists (at most 2 minutes), it looks at
// the foreground window every 20 ms and appends to RECORD one line for each
// other window that took it: "<title> (pid N)". It ends with 0, or 1 when
// it never had the foreground.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "foreground.h"

namespace {

void append(const std::wstring& file, const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), n,
                      nullptr, nullptr);
  HANDLE h = CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
}

std::wstring describe(HWND window) {
  wchar_t title[256] = L"";
  GetWindowTextW(window, title, 256);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return std::wstring(title) + L" (pid " + std::to_wstring(pid) + L")\n";
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv || argc != 4) return 2;
  const std::wstring ready = argv[1], record = argv[2], stop = argv[3];
  LocalFree(argv);

  WNDCLASSW window_class{};
  window_class.lpfnWndProc = DefWindowProcW;
  window_class.hInstance = instance;
  window_class.lpszClassName = L"bystander";
  RegisterClassW(&window_class);
  HWND own = CreateWindowExW(0, L"bystander", L"bystander", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10,
                             10, 300, 200, nullptr, nullptr, instance, nullptr);
  test_support::take_foreground(own);

  // Up to 5 s to get the foreground, then the looking.
  ULONGLONG end = GetTickCount64() + 5000;
  bool held = false;
  HWND last = own;
  while (GetTickCount64() < end) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    const HWND foreground = GetForegroundWindow();
    if (!held && foreground == own) {
      held = true;
      end = GetTickCount64() + 120000;
      append(ready, L"ready");
    }
    if (held && foreground && foreground != last && foreground != own)
      append(record, describe(foreground));
    if (held && foreground) last = foreground;
    if (held && GetFileAttributesW(stop.c_str()) != INVALID_FILE_ATTRIBUTES) break;
    Sleep(20);
  }
  return held ? 0 : 1;
}
