#include <windows.h>

#include "win_common/error_text.h"
#include "win_common/handles.h"
#include "win_common/utf.h"

namespace win_common {
namespace {

constexpr std::uint32_t kNtFacilityBit = 0x10000000u;

// The system's message for a message id, from the system table or, when
// `module` is given, from that module's table; none when there is none or
// it is blank.
std::optional<std::string> system_message(std::uint32_t id, HMODULE module) {
  DWORD flags =
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  if (module) flags |= FORMAT_MESSAGE_FROM_HMODULE;
  wchar_t* buffer = nullptr;
  const DWORD length =
      ::FormatMessageW(flags, module, id, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  unique_local owned(buffer);
  if (length == 0 || buffer == nullptr) return std::nullopt;
  std::string text = from_wide(std::wstring_view(buffer, length));
  text.resize(trim_trailing_space(text).size());
  if (text.empty()) return std::nullopt;
  return text;
}

}  // namespace

std::string windows_error_text(std::uint32_t code) {
  const std::uint32_t hresult = hresult_from_code(code);
  std::optional<std::string> message;
  if (hresult & kNtFacilityBit) {
    // NT status codes carry their texts in ntdll.dll; load it from
    // System32 only.
    unique_hmodule ntdll(::LoadLibraryExA("ntdll.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    message = system_message(hresult & ~kNtFacilityBit, ntdll.get());
  } else {
    message = system_message(hresult, nullptr);
  }
  return compose_windows_error_text(message, hresult);
}

std::string last_windows_error_text() { return windows_error_text(::GetLastError()); }

std::string system_error_text(std::uint32_t code) {
  return compose_system_error_text(system_message(code, nullptr), code);
}

}  // namespace win_common
