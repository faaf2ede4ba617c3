// Linked only into PARLEYNEST-Updater-marks.exe, a build of the updater for
// scripts/bench.sh: it records when the moments of the start-up that can be
// seen from inside the process happen, without a line of the updater's own
// code changed: each DLL loaded, each top-level window made, the first child
// window, the window shown and the first WM_PAINT taken from the queue. The
// times are milliseconds since the process was created. When the process
// ends the marks go to the file that the environment variable PN_MARKS
// names, one "MS WHAT" line each. Without PN_MARKS nothing is recorded.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Mark {
  double ms;
  std::wstring what;
};

std::vector<Mark>* g_marks = nullptr;
ULONGLONG g_created = 0;  // 100 ns since 1601
HHOOK g_cbt = nullptr, g_sent = nullptr, g_queue = nullptr;
bool g_child_seen = false, g_shown = false, g_painted = false;

void mark(std::wstring what) {
  FILETIME now;
  ::GetSystemTimePreciseAsFileTime(&now);
  const ULONGLONG at = (ULONGLONG{now.dwHighDateTime} << 32) | now.dwLowDateTime;
  g_marks->push_back({static_cast<double>(at - g_created) / 10000.0, std::move(what)});
}

// ntdll's DLL load notification.
struct CountedText {
  USHORT length;  // bytes
  USHORT capacity;
  const wchar_t* buffer;
};
struct DllNotification {
  ULONG flags;
  const CountedText* full_name;
  const CountedText* base_name;
  void* base;
  ULONG size;
};
using DllCallback = VOID(CALLBACK*)(ULONG, const DllNotification*, PVOID);
using RegisterDllNotification = LONG(NTAPI*)(ULONG, DllCallback, PVOID, PVOID*);

VOID CALLBACK on_dll(ULONG reason, const DllNotification* data, PVOID) {
  if (reason == 1 && data && data->base_name)
    mark(L"loaded " + std::wstring(data->base_name->buffer, data->base_name->length / 2));
}

LRESULT CALLBACK on_cbt(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_CREATEWND) {
    const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(lparam);
    if (!(create->lpcs->style & WS_CHILD)) {
      wchar_t name[64] = L"?";
      if (!IS_INTRESOURCE(create->lpcs->lpszClass)) lstrcpynW(name, create->lpcs->lpszClass, 64);
      mark(std::wstring(L"window made ") + name);
    } else if (!g_child_seen) {
      g_child_seen = true;
      mark(L"first child window made");
    }
  }
  return ::CallNextHookEx(g_cbt, code, wparam, lparam);
}

LRESULT CALLBACK on_sent(int code, WPARAM wparam, LPARAM lparam) {
  const auto* message = reinterpret_cast<const CWPSTRUCT*>(lparam);
  if (code == HC_ACTION && !g_shown && message->message == WM_SHOWWINDOW && message->wParam &&
      !(::GetWindowLongPtrW(message->hwnd, GWL_STYLE) & WS_CHILD)) {
    g_shown = true;
    mark(L"window shown");
  }
  return ::CallNextHookEx(g_sent, code, wparam, lparam);
}

LRESULT CALLBACK on_queue(int code, WPARAM wparam, LPARAM lparam) {
  const auto* message = reinterpret_cast<const MSG*>(lparam);
  if (code == HC_ACTION && g_shown && !g_painted && message->message == WM_PAINT) {
    g_painted = true;
    mark(L"first WM_PAINT taken");
  }
  return ::CallNextHookEx(g_queue, code, wparam, lparam);
}

void write_marks() {
  wchar_t path[MAX_PATH];
  const DWORD length = ::GetEnvironmentVariableW(L"PN_MARKS", path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  mark(L"exit");
  std::FILE* file = _wfopen(path, L"w");
  if (!file) return;
  for (const Mark& m : *g_marks) std::fprintf(file, "%.2f %ls\n", m.ms, m.what.c_str());
  std::fclose(file);
}

bool start_marks() {
  if (::GetEnvironmentVariableW(L"PN_MARKS", nullptr, 0) == 0) return false;
  FILETIME created, ended, kernel, user;
  ::GetProcessTimes(::GetCurrentProcess(), &created, &ended, &kernel, &user);
  g_created = (ULONGLONG{created.dwHighDateTime} << 32) | created.dwLowDateTime;
  g_marks = new std::vector<Mark>;
  g_marks->reserve(256);
  mark(L"C runtime started");
  if (const auto register_notification =
          reinterpret_cast<RegisterDllNotification>(reinterpret_cast<void*>(
              ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "LdrRegisterDllNotification")))) {
    PVOID cookie = nullptr;
    register_notification(0, &on_dll, nullptr, &cookie);
  }
  const DWORD thread = ::GetCurrentThreadId();
  g_cbt = ::SetWindowsHookExW(WH_CBT, &on_cbt, nullptr, thread);
  g_sent = ::SetWindowsHookExW(WH_CALLWNDPROC, &on_sent, nullptr, thread);
  g_queue = ::SetWindowsHookExW(WH_GETMESSAGE, &on_queue, nullptr, thread);
  std::atexit(&write_marks);
  return true;
}

[[maybe_unused]] const bool g_started = start_marks();

}  // namespace
