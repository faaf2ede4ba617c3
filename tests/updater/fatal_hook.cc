// Linked only into PARLEYNEST-Updater-fatal.exe, a test build of the
// updater: before wWinMain runs it forces the fatal error that the
// environment variable PN_FATAL names, so that a test can see how the
// program ends. Without the variable the program runs as it ships.
#include <windows.h>

#include <csignal>
#include <expected>
#include <functional>
#include <new>
#include <string>
#include <vector>

namespace {

// Volatile, so that the compiler cannot see the error coming and leave out
// the library's call.
volatile std::size_t g_zero = 0;
void (*volatile g_thrower)() = [] { throw 1; };
// Where an allocation goes, so that it cannot be left out.
char* volatile g_kept = nullptr;

void throw_through_noexcept() noexcept { g_thrower(); }

// abort() ends with the same code, but where Windows shows a report dialog
// that waits for a user Wine shows nothing: here it says so on standard
// error, so that a test sees it was called.
void on_abort(int) {
  const char text[] = "abort() called\n";
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), text, sizeof text - 1, &written, nullptr);
}

int force_fatal_error() {
  std::signal(SIGABRT, &on_abort);
  wchar_t name[32] = {};
  const DWORD length = ::GetEnvironmentVariableW(L"PN_FATAL", name, 32);
  if (length == 0 || length >= 32) return 0;
  const std::wstring mode(name, length);
  const std::size_t zero = g_zero;
  if (mode == L"vector-at") {
    std::vector<int> empty(zero);
    return empty.at(zero + 1);
  }
  if (mode == L"string-length") {
    std::string text;
    text.reserve(text.max_size() + 1 + zero);
    return static_cast<int>(text.size());
  }
  if (mode == L"empty-function") {
    std::function<int()> nothing;
    if (zero == 0) return nothing();
  }
  if (mode == L"uncaught-throw") g_thrower();
  if (mode == L"noexcept") throw_through_noexcept();
  if (mode == L"bad-alloc") {
    g_kept = new char[(std::size_t{1} << 62) + zero];
    return 0;
  }
  if (mode == L"expected-value") {
    const std::expected<int, int> failed(std::unexpect, 7 + static_cast<int>(zero));
    return failed.value();
  }
  return 0;
}

[[maybe_unused]] const int g_forced = force_fatal_error();

}  // namespace
