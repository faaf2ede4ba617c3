// The demo's chat application: a window that shows which version is
// installed (version.txt beside the program, "0.1.16" when missing).
//
// Started with --updater UPDATER --installer INSTALLER --log LOG
// --new-version V [--language L] [--thumbprint T], it does what the real
// application does after downloading an update, the way
// docs/INTEGRATION.md shows (docs/examples/start_updater.h): it saves the
// time and the version the installer brings (update-pending.txt beside
// itself), starts the updater with its own process id and path, and closes
// itself within the 30 s the updater waits.
//
// Started again by the updater (with no arguments), it finds that record,
// reads update-result.json beside the log (docs/examples/update_result.h)
// and shows what became of the update in the language it was given.
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

#include "start_updater.h"
#include "update_result.h"

namespace {

struct Screen {
  std::wstring title, outcome, detail, font = L"굴림";
};
Screen g_screen;

std::wstring own_path() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return path;
}

std::wstring wide(const std::string& utf8) {
  std::wstring out(utf8.size(), L'\0');
  out.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(),
                                 static_cast<int>(out.size())));
  return out;
}

std::string utf8(const std::wstring& text) {
  std::string out(text.size() * 3, '\0');
  out.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                                 static_cast<int>(out.size()), nullptr, nullptr));
  return out;
}

std::optional<std::string> read_file(const std::wstring& path) {
  HANDLE h =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string bytes(64 * 1024, '\0');
  DWORD n = 0;
  const BOOL read = ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
  CloseHandle(h);
  if (!read) return std::nullopt;
  bytes.resize(n);
  return bytes;
}

bool write_file(const std::wstring& path, const std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD n = 0;
  const BOOL written = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
  CloseHandle(h);
  return written && n == bytes.size();
}

// The value of "name=value" lines.
std::string value_of(const std::string& text, const std::string& name) {
  const std::size_t at = text.find(name + "=");
  if (at == std::string::npos || (at > 0 && text[at - 1] != '\n')) return {};
  const std::size_t from = at + name.size() + 1;
  return text.substr(from, text.find('\n', from) - from);
}

std::wstring installed_version(const std::wstring& folder) {
  const std::string text = read_file(folder + L"version.txt").value_or("0.1.16\n");
  return wide(text.substr(0, text.find_first_of("\r\n")));
}

// The application's own words for what became of the update.
std::wstring words_for(parleynest::UpdateAdvice advice, const std::wstring& locale,
                       const std::wstring& version) {
  using parleynest::UpdateAdvice;
  const int i = locale == L"ja" ? 1 : locale.starts_with(L"en") ? 2 : 0;
  switch (advice) {
    case UpdateAdvice::Installed: {
      const wchar_t* done[] = {L"업데이트 완료: ", L"アップデート完了: ", L"Updated to "};
      return done[i] + version;
    }
    case UpdateAdvice::DownloadAgain: {
      const wchar_t* again[] = {L"업데이트 안 됨: 설치 파일을 다시 받습니다",
                                L"アップデート未完了: インストーラーを再ダウンロードします",
                                L"Not updated: downloading the installer again"};
      return again[i];
    }
    case UpdateAdvice::RetryLater: {
      const wchar_t* later[] = {L"업데이트 안 됨: 나중에 다시 시도합니다",
                                L"アップデート未完了: 後でもう一度試します",
                                L"Not updated: trying again later"};
      return later[i];
    }
    case UpdateAdvice::Report:
      break;
  }
  const wchar_t* report[] = {L"업데이트 안 됨: 문제를 보고해 주세요",
                             L"アップデート未完了: 問題を報告してください",
                             L"Not updated: please report the problem"};
  return report[i];
}

// After a restart by the updater: what became of the update the record
// describes.
void show_update_outcome(const std::string& pending, const std::wstring& folder) {
  const std::wstring locale = wide(value_of(pending, "locale"));
  const std::wstring expected = wide(value_of(pending, "version"));
  const std::int64_t started = std::stoll("0" + value_of(pending, "started"));
  std::optional<parleynest::UpdateResult> result;
  if (const auto json = read_file(wide(value_of(pending, "result"))))
    result = parleynest::parse_update_result(*json);
  const bool from_this_run = result && parleynest::is_from_run_started_at(*result, started);
  g_screen.outcome = words_for(
      parleynest::advice_after_update(result, started, installed_version(folder) == expected),
      locale, expected);
  g_screen.detail = from_this_run ? L"update-result.json " + wide(result->at) + L" " +
                                        (result->ok ? L"ok " : L"failed ") + wide(result->detail)
                                  : L"update-result.json: none from this run";
  g_screen.font = locale == L"ja" ? L"MS Gothic" : locale.starts_with(L"en") ? L"Arial" : L"굴림";
}

void draw_line(HDC dc, RECT rc, const std::wstring& text, int height, int weight) {
  HFONT font = CreateFontW(-height, 0, 0, 0, weight, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                           g_screen.font.c_str());
  HGDIOBJ old = SelectObject(dc, font);
  DrawTextW(dc, text.c_str(), -1, &rc, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(dc, old);
  DeleteObject(font);
}

LRESULT CALLBACK window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT rc;
      GetClientRect(hwnd, &rc);
      SetBkMode(dc, TRANSPARENT);
      draw_line(dc, {16, 24, rc.right - 16, 60}, g_screen.title, 22, FW_BOLD);
      draw_line(dc, {16, 70, rc.right - 16, 104}, g_screen.outcome, 18, FW_NORMAL);
      SetTextColor(dc, RGB(96, 96, 96));
      draw_line(dc, {16, 112, rc.right - 16, rc.bottom - 8}, g_screen.detail, 13, FW_NORMAL);
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
  const std::wstring folder = self.substr(0, self.find_last_of(L'\\') + 1);
  const std::wstring pending_file = folder + L"update-pending.txt";
  g_screen.title = L"PARLEYNEST demo " + installed_version(folder);

  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  parleynest::UpdaterLaunch launch;
  launch.app_exe = self;
  std::wstring language = L"ko", new_version;
  for (int i = 1; argv && i + 1 < argc; i += 2) {
    const std::wstring name = argv[i];
    if (name == L"--updater") launch.updater = argv[i + 1];
    if (name == L"--installer") launch.installer = argv[i + 1];
    if (name == L"--log") launch.log = argv[i + 1];
    if (name == L"--language") language = argv[i + 1];
    if (name == L"--thumbprint") launch.thumbprint = argv[i + 1];
    if (name == L"--new-version") new_version = argv[i + 1];
  }
  LocalFree(argv);
  launch.locale = parleynest::updater_locale(language);

  const bool updating = !launch.updater.empty();
  if (updating) {
    // The installer runs from the updater's private copy, not from the
    // application's folder: it finds the installation through this (a real
    // installer through the registry).
    SetEnvironmentVariableW(L"PARLEYNEST_DEMO_HOME", folder.c_str());
    // Saved before the start: the time, the version the installer brings,
    // where the result will be, and the language to speak afterwards.
    const std::wstring log_folder = launch.log.substr(0, launch.log.find_last_of(L'\\') + 1);
    const bool saved = write_file(
        pending_file, "started=" + std::to_string(static_cast<std::int64_t>(std::time(nullptr))) +
                          "\nversion=" + utf8(new_version) +
                          "\nresult=" + utf8(log_folder + L"update-result.json") +
                          "\nlocale=" + utf8(launch.locale) + "\n");
    const bool started = saved && parleynest::start_updater(launch, folder);
    if (!started) DeleteFileW(pending_file.c_str());
    g_screen.outcome = started ? L"updating..." : L"the updater could not be started";
  } else if (const auto pending = read_file(pending_file)) {
    // The first start after an update: its outcome, once.
    show_update_outcome(*pending, folder);
    DeleteFileW(pending_file.c_str());
  }

  WNDCLASSW wc{};
  wc.lpfnWndProc = window_proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = L"ParleynestDemoApp";
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowW(wc.lpszClassName, L"PARLEYNEST demo", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                            60, 60, 560, 230, nullptr, nullptr, instance, nullptr);
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
