#pragma once
// DLLs that are not among the system's known DLLs (wintrust, crypt32 and
// the like) are loaded at run time from System32 only: never from the
// program's own folder, which may be a downloads folder that others can
// write, nor from the current folder. The program links none of them.

#include <windows.h>

#include "win_common/handles.h"

namespace win_common {

// One DLL of System32, loaded for as long as the object lives.
class SystemLibrary {
 public:
  explicit SystemLibrary(const wchar_t* name)
      : module_(::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {}

  // The exported function `name` with the type F (a function type); null
  // when the DLL or the function is missing.
  template <typename F>
  F* function(const char* name) const {
    if (!module_) return nullptr;
    // Through the generic function pointer type, which converts to any
    // other without a warning.
    return reinterpret_cast<F*>(
        reinterpret_cast<void (*)()>(::GetProcAddress(module_.get(), name)));
  }

 private:
  unique_hmodule module_;
};

}  // namespace win_common
