#pragma once
// Owners for COM: an interface pointer released once, and the thread's COM
// initialisation undone when the scope ends. Users link ole32.

#include <windows.h>
#include <objbase.h>

#include <utility>

namespace win_common {

template <typename T>
class com_ptr {
 public:
  com_ptr() = default;
  explicit com_ptr(T* pointer) : pointer_(pointer) {}
  com_ptr(const com_ptr&) = delete;
  com_ptr& operator=(const com_ptr&) = delete;
  com_ptr(com_ptr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  com_ptr& operator=(com_ptr&& other) noexcept {
    if (this != &other) reset(std::exchange(other.pointer_, nullptr));
    return *this;
  }
  ~com_ptr() { reset(); }

  T* get() const { return pointer_; }
  T* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }
  // For out-parameters: releases what is held and hands out the slot.
  T** put() {
    reset();
    return &pointer_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }
  void reset(T* pointer = nullptr) {
    T* old = std::exchange(pointer_, pointer);
    if (old) old->Release();
  }

 private:
  T* pointer_ = nullptr;
};

// CoInitializeEx for the calling thread (apartment threaded), undone at the
// end of the scope when it succeeded (also when COM was already initialised:
// every successful call is paired).
class scoped_com_init {
 public:
  scoped_com_init()
      : result_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
  ~scoped_com_init() {
    if (SUCCEEDED(result_)) ::CoUninitialize();
  }
  scoped_com_init(const scoped_com_init&) = delete;
  scoped_com_init& operator=(const scoped_com_init&) = delete;

  // S_OK, S_FALSE (already initialised) or RPC_E_CHANGED_MODE (initialised
  // with another model) all leave COM usable on this thread.
  bool usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }
  HRESULT result() const { return result_; }

 private:
  HRESULT result_;
};

}  // namespace win_common
