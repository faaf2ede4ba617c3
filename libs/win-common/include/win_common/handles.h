#pragma once
// One small owning type per kind of Windows handle. Each releases its
// handle exactly once, on every path; a failing release is ignored, and
// releasing keeps the thread's last error, so an error text taken after a
// failed call is still the text of that call.

#include <windows.h>

#include <cstdint>
#include <utility>

namespace win_common {

// Puts the thread's last error back at the end of the scope: releasing a
// handle must not change the error of the call before it.
class keep_last_error {
 public:
  keep_last_error() = default;
  ~keep_last_error() { ::SetLastError(error_); }
  keep_last_error(const keep_last_error&) = delete;
  keep_last_error& operator=(const keep_last_error&) = delete;

 private:
  DWORD error_ = ::GetLastError();
};

template <typename T, auto Close, auto Invalid>
class unique_resource {
 public:
  unique_resource() = default;
  explicit unique_resource(T value) : value_(value) {}
  unique_resource(const unique_resource&) = delete;
  unique_resource& operator=(const unique_resource&) = delete;
  unique_resource(unique_resource&& other) noexcept
      : value_(std::exchange(other.value_, invalid())) {}
  unique_resource& operator=(unique_resource&& other) noexcept {
    if (this != &other) reset(std::exchange(other.value_, invalid()));
    return *this;
  }
  ~unique_resource() { reset(); }

  T get() const { return value_; }
  explicit operator bool() const { return value_ != invalid(); }
  // For out-parameters: releases what is held and hands out the slot.
  T* put() {
    reset();
    return &value_;
  }
  T release() { return std::exchange(value_, invalid()); }
  void reset(T value = invalid()) {
    const T old = std::exchange(value_, value);
    if (old == invalid()) return;
    const keep_last_error kept;
    Close(old);
  }

 private:
  static T invalid() { return reinterpret_cast<T>(static_cast<std::intptr_t>(Invalid)); }
  T value_ = invalid();
};

namespace detail {
inline void close_handle(HANDLE h) { ::CloseHandle(h); }
inline void free_library(HMODULE m) { ::FreeLibrary(m); }
inline void local_free(void* p) { ::LocalFree(p); }
}  // namespace detail

// Process, thread and event handles (invalid = null).
using unique_handle = unique_resource<HANDLE, detail::close_handle, 0>;
// File handles (invalid = INVALID_HANDLE_VALUE).
using unique_file = unique_resource<HANDLE, detail::close_handle, -1>;
using unique_hmodule = unique_resource<HMODULE, detail::free_library, 0>;
// Buffers that the system allocated with LocalAlloc.
using unique_local = unique_resource<void*, detail::local_free, 0>;

}  // namespace win_common
