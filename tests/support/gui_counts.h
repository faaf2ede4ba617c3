#pragma once
// The process's GDI objects and windows, to show that building and
// releasing windows leaves nothing behind. Wine answers GetGuiResources with
// 0; there the live entries of the GDI handle table (a handle value with a
// zero upper word names the entry of that index) and the windows of the
// calling thread are counted instead.
#include <windows.h>

namespace test_support {

inline DWORD gdi_objects() {
  if (const DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return count;
  DWORD live = 0;
  for (ULONG_PTR i = 1; i < 0x10000; ++i) live += GetObjectType(reinterpret_cast<HGDIOBJ>(i)) != 0;
  return live;
}

inline DWORD user_objects() {
  if (const DWORD count = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS)) return count;
  DWORD windows = 0;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND top, LPARAM counter) -> BOOL {
        ++*reinterpret_cast<DWORD*>(counter);
        EnumChildWindows(
            top,
            [](HWND, LPARAM inner) -> BOOL {
              ++*reinterpret_cast<DWORD*>(inner);
              return TRUE;
            },
            counter);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&windows));
  return windows;
}

}  // namespace test_support
