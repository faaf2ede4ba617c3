#pragma once
// How the texts of Windows errors are written in log lines and results.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace win_common {

// A last-error code as an HRESULT: 0 and codes that are negative as signed
// 32-bit numbers stay; any other code becomes 0x8007xxxx (its low 16 bits).
std::uint32_t hresult_from_code(std::uint32_t code);

// Exactly eight upper-case hexadecimal digits, zero-padded.
std::string hex8(std::uint32_t value);

// Drops trailing tab, line feed, vertical tab, form feed, carriage return
// and space.
std::string_view trim_trailing_space(std::string_view text);

// "<message> (0x80070005)", or "0x80070005" alone without a message.
std::string compose_windows_error_text(std::optional<std::string_view> message,
                                       std::uint32_t hresult);

// "<message> (os error 2)".
std::string compose_system_error_text(std::optional<std::string_view> message, std::uint32_t code);

}  // namespace win_common

#ifdef _WIN32
namespace win_common {

// The Windows error text of a last-error code: the system's message for its
// HRESULT (NT status codes from ntdll.dll) followed by " (0x........)".
std::string windows_error_text(std::uint32_t code);

// windows_error_text(GetLastError()).
std::string last_windows_error_text();

// The system error text of a Windows error code: "<message> (os error N)".
std::string system_error_text(std::uint32_t code);

}  // namespace win_common
#endif
