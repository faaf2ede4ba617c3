// Stands in for the chat application (and its installer) in the tests.
//
// Every start appends one line to "<own path>.runs": the arguments after the
// program name, exactly as received. When the environment names a folder in
// PN_FAKE_HOME, "<own path>" means that folder and the program's own file
// name (the updater starts a private copy of the installer elsewhere). Then:
//   --pid-file P   writes the process id to P
//   --wait-for P   keeps running until P exists (60 s at most)
//   --stay-ms N    keeps running N milliseconds
//   --exit N       ends with exit code N (default 0)
//   --try-write P  opens P for writing; adds 16 to the exit code if it could
//   --try-delete P deletes P; adds 32 to the exit code if it could
//   --exit-later N ends its main thread; the process ends 2 s later with
//                  the exit code so far plus N
// The same options are also read from "<own path>.behaviour" when that file
// exists (an installer and a restarted application get no options of ours).
// Other arguments are ignored.
//
// Before anything else it opens its own file to read, sharing only
// reading, as real installers do to reach the payload inside them, and
// keeps it open; when it cannot, it records nothing and ends with exit
// code 70.
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr int kCannotReadOwnFile = 70;

std::wstring own_path() {
  std::wstring path(32768, L'\0');
  const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  path.resize(n);
  return path;
}

void append_utf8(const std::wstring& file, const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), n,
                      nullptr, nullptr);
  HANDLE h = CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
}

std::wstring read_file(const std::wstring& file) {
  HANDLE h = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  char buffer[4096];
  DWORD n = 0;
  ReadFile(h, buffer, sizeof buffer, &n, nullptr);
  CloseHandle(h);
  std::wstring text;
  for (DWORD i = 0; i < n; ++i) text += static_cast<wchar_t>(buffer[i]);
  return text;
}

std::vector<std::wstring> split(const std::wstring& line) {
  int count = 0;
  std::vector<std::wstring> out;
  if (line.find_first_not_of(L" \t\r\n") == std::wstring::npos) return out;
  wchar_t** argv = CommandLineToArgvW((L"x " + line).c_str(), &count);
  for (int i = 1; argv && i < count; ++i) out.emplace_back(argv[i]);
  LocalFree(argv);
  return out;
}

// The command line after the program name, as written by the caller.
std::wstring argument_text() {
  const wchar_t* p = GetCommandLineW();
  if (*p == L'"') {
    ++p;
    while (*p && *p != L'"') ++p;
    if (*p) ++p;
  } else {
    while (*p && *p != L' ' && *p != L'\t') ++p;
  }
  while (*p == L' ' || *p == L'\t') ++p;
  return p;
}

// Where the program records its runs and finds its behaviour.
std::wstring home_path() {
  const std::wstring self = own_path();
  std::wstring home(32768, L'\0');
  home.resize(
      GetEnvironmentVariableW(L"PN_FAKE_HOME", home.data(), static_cast<DWORD>(home.size())));
  if (home.empty()) return self;
  return home + self.substr(self.find_last_of(L'\\'));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const HANDLE own_file = CreateFileW(own_path().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (own_file == INVALID_HANDLE_VALUE) return kCannotReadOwnFile;

  const std::wstring self = home_path();
  const std::wstring args = argument_text();
  append_utf8(self + L".runs", args + L"\n");

  std::vector<std::wstring> options = split(args);
  for (std::wstring& option : split(read_file(self + L".behaviour")))
    options.push_back(std::move(option));

  int exit_code = 0;
  for (std::size_t i = 0; i + 1 < options.size(); ++i) {
    const std::wstring& name = options[i];
    const std::wstring& value = options[i + 1];
    if (name == L"--pid-file") {
      append_utf8(value, std::to_wstring(GetCurrentProcessId()));
    } else if (name == L"--wait-for") {
      for (int tries = 0;
           tries < 600 && GetFileAttributesW(value.c_str()) == INVALID_FILE_ATTRIBUTES; ++tries)
        Sleep(100);
    } else if (name == L"--stay-ms") {
      Sleep(static_cast<DWORD>(std::wcstoul(value.c_str(), nullptr, 10)));
    } else if (name == L"--exit") {
      exit_code += static_cast<int>(std::wcstoul(value.c_str(), nullptr, 0));
    } else if (name == L"--try-write") {
      HANDLE h = CreateFileW(value.c_str(), GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
      if (h != INVALID_HANDLE_VALUE) {
        exit_code += 16;
        CloseHandle(h);
      }
    } else if (name == L"--try-delete") {
      if (DeleteFileW(value.c_str())) exit_code += 32;
    } else if (name == L"--exit-later") {
      static const UINT later =
          static_cast<UINT>(exit_code + std::wcstol(value.c_str(), nullptr, 0));
      HANDLE main_thread = nullptr;
      DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &main_thread,
                      SYNCHRONIZE, FALSE, 0);
      CreateThread(
          nullptr, 0,
          [](void* main) -> DWORD {
            WaitForSingleObject(main, INFINITE);
            Sleep(2000);
            ExitProcess(later);
          },
          main_thread, 0, nullptr);
      ExitThread(0);
    }
  }
  return exit_code;
}
