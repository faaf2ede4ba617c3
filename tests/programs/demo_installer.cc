// The demo's installer: run with /VERYSILENT /SUPPRESSMSGBOXES /NORESTART,
// it takes a moment and then "installs" version 0.1.17 by writing
// version.txt into the application's folder, which the demo application
// names in PARLEYNEST_DEMO_HOME. Any other arguments make it fail with exit
// code 2.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const std::wstring args = GetCommandLineW();
  if (args.find(L"/VERYSILENT /SUPPRESSMSGBOXES /NORESTART") == std::wstring::npos) return 2;
  std::wstring app_dir(32768, L'\0');
  app_dir.resize(GetEnvironmentVariableW(L"PARLEYNEST_DEMO_HOME", app_dir.data(),
                                         static_cast<DWORD>(app_dir.size())));
  if (app_dir.empty()) return 5;
  Sleep(1500);
  HANDLE h = CreateFileW((app_dir + L"version.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                         CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 3;
  const char version[] = "0.1.17\n";
  DWORD n = 0;
  const BOOL ok = WriteFile(h, version, sizeof version - 1, &n, nullptr);
  CloseHandle(h);
  return ok ? 0 : 4;
}
