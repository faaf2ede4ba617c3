#include <windows.h>

#include "process_control.h"
#include "win_common/error_text.h"
#include "win_common/handles.h"
#include "win_common/utf.h"

namespace updater {
namespace {

using win_common::unique_handle;

constexpr std::uint32_t kHresultInvalidParameter = 0x80070057u;

struct Started {
  unique_handle process;
  unique_handle thread;
};

// Starts `program` with `args`; the error is the system error code.
std::expected<Started, DWORD> start_process(std::string_view program,
                                            std::span<const std::string_view> args,
                                            DWORD creation_flags) {
  if (!is_absolute_path(program)) return std::unexpected(static_cast<DWORD>(ERROR_BAD_PATHNAME));
  const std::optional<std::string> line = command_line(program, args);
  if (!line) return std::unexpected(static_cast<DWORD>(ERROR_INVALID_NAME));
  const std::wstring application = win_common::to_wide(program);
  std::wstring command = win_common::to_wide(*line);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(application.c_str(), command.data(), nullptr, nullptr, TRUE, creation_flags,
                        nullptr, nullptr, &startup, &info))
    return std::unexpected(::GetLastError());
  return Started{unique_handle(info.hProcess), unique_handle(info.hThread)};
}

std::unexpected<ProcessError> spawn_error(DWORD code) {
  return std::unexpected(ProcessError{InstallerSpawn{win_common::system_error_text(code)}});
}

std::uint64_t whole_seconds(std::chrono::nanoseconds limit) {
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::seconds>(limit).count());
}

}  // namespace

std::expected<void, ProcessError> wait_for_app_exit(std::uint32_t pid,
                                                    std::chrono::nanoseconds limit) {
  DWORD rc = 0;
  {
    unique_handle process(::OpenProcess(SYNCHRONIZE, FALSE, pid));
    if (!process) {
      const DWORD error = ::GetLastError();
      // A process id that does not exist: the application has ended.
      if (win_common::hresult_from_code(error) == kHresultInvalidParameter) return {};
      return std::unexpected(
          ProcessError{WaitFailed{pid, "OpenProcess: " + win_common::windows_error_text(error)}});
    }
    rc = ::WaitForSingleObject(process.get(), wait_milliseconds(limit));
  }
  if (rc == WAIT_OBJECT_0) return {};
  if (rc == WAIT_TIMEOUT)
    return std::unexpected(
        ProcessError{WaitFailed{pid, wait_timeout_message(whole_seconds(limit))}});
  return std::unexpected(ProcessError{WaitFailed{pid, wait_rc_message(rc)}});
}

std::expected<void, ProcessError> run_installer(std::string_view installer,
                                                std::chrono::nanoseconds limit,
                                                std::chrono::milliseconds poll) {
  auto started = start_process(installer, kInstallerSwitches, CREATE_NO_WINDOW);
  if (!started) return spawn_error(started.error());
  const HANDLE process = started->process.get();
  const auto start = std::chrono::steady_clock::now();
  // Each round waits on the installer for up to one poll interval: its end
  // is seen the moment it comes, at once if it has already ended, and the
  // limit is looked at between the rounds.
  for (;;) {
    const DWORD rc = ::WaitForSingleObject(process, wait_milliseconds(poll));
    if (rc == WAIT_OBJECT_0) {
      DWORD code = 0;
      if (!::GetExitCodeProcess(process, &code)) return spawn_error(::GetLastError());
      if (code == 0) return {};
      return std::unexpected(ProcessError{InstallerExitCode{static_cast<std::int32_t>(code)}});
    }
    if (rc != WAIT_TIMEOUT) return spawn_error(::GetLastError());
    if (std::chrono::steady_clock::now() - start > limit) {
      ::TerminateProcess(process, 1);
      return std::unexpected(ProcessError{InstallerTimeout{whole_seconds(limit)}});
    }
  }
}

std::string full_path_from_current_folder(std::string_view path) {
  // A NUL would end the path early for the system: such a path is left to
  // be refused when it is started.
  if (is_absolute_path(path) || path.empty() || path.find('\0') != std::string_view::npos)
    return std::string(path);
  const std::wstring relative = win_common::to_wide(path);
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n =
        ::GetFullPathNameW(relative.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n == 0) return std::string(path);
    if (n < full.size()) {
      full.resize(n);
      return win_common::from_wide(full);
    }
    full.resize(n);
  }
}

std::expected<void, std::string> restart_app(std::string_view app_path) {
  auto started = start_process(app_path, {}, 0);
  if (!started) return std::unexpected(win_common::system_error_text(started.error()));
  return {};
}

}  // namespace updater
