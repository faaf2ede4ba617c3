#pragma once
// Helpers for tests that run under Windows (Wine): paths of the helper
// programs built beside the test, scratch folders and child processes.
#include <windows.h>

#include <filesystem>
#include <string>

#include "win_common/utf.h"

namespace test_support {

// The version of Wine this runs under; empty on Windows.
inline std::string wine_version() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  const FARPROC get = ntdll ? GetProcAddress(ntdll, "wine_get_version") : nullptr;
  if (!get) return "";
  const char* version = reinterpret_cast<const char* (*)()>(reinterpret_cast<void (*)()>(get))();
  return version ? version : "wine";
}

inline bool under_wine() { return !wine_version().empty(); }

// Skips the test under Wine, saying why: what it proves only Windows does.
#define PN_SKIP_UNDER_WINE(why)                                               \
  if (const std::string wine_ = test_support::wine_version(); !wine_.empty()) \
  GTEST_SKIP() << "only Windows can show this; skipped under Wine " << wine_ << ": " << (why)

// A symbolic link at `at` to `target`, a file or (`folder`) a folder. 0,
// or the error. (Wine's says it made one and makes nothing.)
inline DWORD make_symbolic_link(const std::filesystem::path& at,
                                const std::filesystem::path& target, bool folder = false) {
  const DWORD flags =
      SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE | (folder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0);
  return CreateSymbolicLinkW(at.c_str(), target.c_str(), flags) ? 0 : GetLastError();
}

// A path with every 8.3 short name in it long (C:\Users\RUNNER~1 as
// C:\Users\runneradmin); as it is when it cannot be read.
inline std::filesystem::path long_path(const std::filesystem::path& p) {
  std::wstring out(32768, L'\0');
  const DWORD n = GetLongPathNameW(p.c_str(), out.data(), static_cast<DWORD>(out.size()));
  if (n == 0 || n >= out.size()) return p;
  out.resize(n);
  return out;
}

// A path as the UTF-8 text the product's functions take.
inline std::string utf8(const std::filesystem::path& p) {
  return win_common::from_wide(p.wstring());
}

// A file next to the running test executable.
inline std::filesystem::path beside_test(const std::wstring& name) {
  std::wstring self(32768, L'\0');
  self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
  return std::filesystem::path(self).parent_path() / name;
}

// A fresh folder under the temp folder, removed when the object goes.
class ScratchDir {
 public:
  explicit ScratchDir(const std::wstring& name) {
    path_ = std::filesystem::temp_directory_path() / (L"pn-test-" + name);
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::wstring& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// A child process started for a test; killed if still running at the end.
class Child {
 public:
  Child(const std::filesystem::path& program, const std::wstring& args) {
    std::wstring line = L"\"" + program.wstring() + L"\" " + args;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &si, &pi)) {
      CloseHandle(pi.hThread);
      process_ = pi.hProcess;
      pid_ = pi.dwProcessId;
    }
  }
  ~Child() {
    if (!process_) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
      TerminateProcess(process_, 9);
      WaitForSingleObject(process_, 10000);
    }
    CloseHandle(process_);
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool started() const { return process_ != nullptr; }
  DWORD pid() const { return pid_; }
  bool running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }
  bool wait(DWORD ms) const {
    return process_ && WaitForSingleObject(process_, ms) == WAIT_OBJECT_0;
  }
  // The exit code once it has ended (within `ms`), else STILL_ACTIVE.
  DWORD exit_code(DWORD ms) const {
    DWORD code = STILL_ACTIVE;
    if (wait(ms)) GetExitCodeProcess(process_, &code);
    return code;
  }

 private:
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
};

inline std::string read_bytes(const std::filesystem::path& p) {
  std::string out;
  HANDLE h =
      CreateFileW(p.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return out;
  char buffer[4096];
  DWORD n = 0;
  while (ReadFile(h, buffer, sizeof buffer, &n, nullptr) && n > 0) out.append(buffer, n);
  CloseHandle(h);
  return out;
}

inline void write_bytes(const std::filesystem::path& p, const std::string& bytes) {
  HANDLE h = CreateFileW(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD n = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
  CloseHandle(h);
}

}  // namespace test_support
