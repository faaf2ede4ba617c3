// The demo's chat application: a window that shows which version is
// installed (version.txt beside the program, "0.1.16" when missing).
//
// Started with --updater UPDATER --installer INSTALLER --log LOG [--locale L]
// [--thumbprint T], it does what the real application does after downloading
// an update: starts the updater with its own process id and path, the way
// docs/INTEGRATION.md shows (docs/examples/start_updater.h), then closes
// itself within the 30 s the updater waits.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "start_updater.h"

namespace {

std::wstring g_text;

std::wstring own_path() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return path;
}

std::wstring installed_version(const std::wstring& self) {
  const std::wstring file = self.substr(0, self.find_last_of(L'\\') + 1) + L"version.txt";
  HANDLE h =
      CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return L"0.1.16";
  char buffer[64] = {};
  DWORD n = 0;
  ReadFile(h, buffer, sizeof buffer - 1, &n, nullptr);
  CloseHandle(h);
  std::wstring version;
  for (DWORD i = 0; i < n && buffer[i] != '\r' && buffer[i] != '\n'; ++i)
    version += static_cast<wchar_t>(buffer[i]);
  return version;
}

LRESULT CALLBACK window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT rc;
      GetClientRect(hwnd, &rc);
      HFONT font =
          CreateFontW(-22, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial");
      HGDIOBJ old = SelectObject(dc, font);
      SetBkMode(dc, TRANSPARENT);
      DrawTextW(dc, g_text.c_str(), -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      SelectObject(dc, old);
      DeleteObject(font);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_TIMER:
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  const std::wstring self = own_path();
  g_text = L"PARLEYNEST demo " + installed_version(self);

  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  parleynest::UpdaterLaunch launch;
  launch.app_exe = self;
  launch.locale = L"ko";
  for (int i = 1; argv && i + 1 < argc; i += 2) {
    const std::wstring name = argv[i];
    if (name == L"--updater") launch.updater = argv[i + 1];
    if (name == L"--installer") launch.installer = argv[i + 1];
    if (name == L"--log") launch.log = argv[i + 1];
    if (name == L"--locale") launch.locale = argv[i + 1];
    if (name == L"--thumbprint") launch.thumbprint = argv[i + 1];
  }
  LocalFree(argv);

  const bool updating = !launch.updater.empty();
  if (updating) {
    // The installer runs from the updater's private copy, not from the
    // application's folder: it finds the installation through this (a real
    // installer through the registry).
    const std::wstring folder = self.substr(0, self.find_last_of(L'\\') + 1);
    SetEnvironmentVariableW(L"PARLEYNEST_DEMO_HOME", folder.c_str());
    g_text += parleynest::start_updater(launch, folder) ? L" - updating..." : L" - no updater";
  }

  WNDCLASSW wc{};
  wc.lpfnWndProc = window_proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = L"ParleynestDemoApp";
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowW(wc.lpszClassName, L"PARLEYNEST demo", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                            60, 60, 520, 200, nullptr, nullptr, instance, nullptr);
  // While updating, the application closes itself after a moment so that
  // the updater's wait ends.
  if (updating) SetTimer(hwnd, 1, 2000, nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
