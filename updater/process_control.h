#pragma once
// Waiting for the chat application, running the installer and starting the
// application again.

#include <chrono>
#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace updater {

struct WaitFailed {
  std::uint32_t pid;
  std::string message;
};
struct InstallerSpawn {
  std::string system_error;  // the system error text, "... (os error N)"
};
struct InstallerExitCode {
  std::int32_t code;
};
struct InstallerTimeout {
  std::uint64_t seconds;
};
using ProcessError = std::variant<WaitFailed, InstallerSpawn, InstallerExitCode, InstallerTimeout>;

std::string error_text(const ProcessError& error);

// The messages inside WaitFailed besides "OpenProcess: ...".
std::string wait_timeout_message(std::uint64_t seconds);
std::string wait_rc_message(std::uint32_t rc);

// Milliseconds for WaitForSingleObject: whole seconds * 1000 plus the
// sub-second part, capped at 0xFFFFFFFF.
std::uint32_t wait_milliseconds(std::chrono::nanoseconds limit);

// The command line for CreateProcessW: the program in double quotes, then
// each argument after one space, quoted only where it needs it. None when
// the program path cannot be quoted (it holds a double quote or a NUL).
std::optional<std::string> command_line(std::string_view program,
                                        std::span<const std::string_view> args);

// A fully qualified Windows path: a drive with its root (C:\...), or a UNC
// or device path (\\server\share, \\?\C:\...). Programs are started only by
// such a path: never looked up, never against the current folder.
bool is_absolute_path(std::string_view path);

inline constexpr std::string_view kInstallerSwitches[] = {"/VERYSILENT", "/SUPPRESSMSGBOXES",
                                                          "/NORESTART"};
inline constexpr std::chrono::seconds kAppExitLimit{30};
inline constexpr std::chrono::seconds kInstallerLimit{300};
inline constexpr std::chrono::milliseconds kInstallerPoll{500};

#ifdef _WIN32
// Success when the process has ended within the limit, or is already gone.
// A process that does not end is left running.
std::expected<void, ProcessError> wait_for_app_exit(std::uint32_t pid,
                                                    std::chrono::nanoseconds limit);

// Runs the installer silently; exit code 0 is success. Past the limit it is
// terminated with exit code 1.
std::expected<void, ProcessError> run_installer(std::string_view installer,
                                                std::chrono::nanoseconds limit = kInstallerLimit,
                                                std::chrono::milliseconds poll = kInstallerPoll);

// A path that is not fully qualified taken against the current folder as it
// is now (GetFullPathNameW); a fully qualified one, or one that cannot be
// taken so, is given back as it is.
std::string full_path_from_current_folder(std::string_view path);

// Starts the application with no arguments and does not wait for it. The
// error is the system error text.
std::expected<void, std::string> restart_app(std::string_view app_path);
#endif

}  // namespace updater
