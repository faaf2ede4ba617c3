// Starts a program and measures it from outside, for scripts/bench.sh.
// Prints "name value" lines on standard output.
//
//   launch_probe startup LIMIT_MS PROGRAM [ARGS...]
//     Times from just before CreateProcess; "none" when the moment never
//     came before the process ended or the limit passed.
//     created_ms  its first top-level window exists, shown or not
//     window_ms   its first top-level window is visible
//     painted_ms  that window has been painted: neither it nor any of its
//                 visible child windows has a part left to paint
//     peak_kib    its peak working set, read while it ran
//     run_ms      until it ended (the limit ends it otherwise)
//
//   launch_probe update LIMIT_MS PROGRAM [ARGS...]
//     The program (the updater) runs in a job, so that the processes it
//     starts are seen as they come and go: the installer (a program with the
//     file name of the one after --installer) and then the restarted application. The job is
//     left alone at the end: Wine's desktop process may have joined it.
//     wait_ms          the installer's run, start to exit
//     wait_cpu_ms      the CPU time (user + kernel) the updater spent meanwhile
//     restart_ms       from the installer's exit to the application's start
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <string_view>
#include <vector>

#include "win_common/handles.h"

namespace {

using win_common::unique_handle;

double now_ms() {
  static const LONGLONG frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return f.QuadPart;
  }();
  LARGE_INTEGER t;
  ::QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(frequency);
}

struct Started {
  unique_handle process;
  unique_handle thread;
  DWORD pid = 0;
};

// The program and its arguments, quoted; started suspended when asked.
bool start(int argc, wchar_t** argv, DWORD flags, Started& out) {
  std::wstring line;
  for (int i = 0; i < argc; ++i) {
    if (i > 0) line += L' ';
    line += L'"';
    line += argv[i];
    line += L'"';
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(argv[0], line.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr,
                        &startup, &info)) {
    std::fwprintf(stderr, L"cannot start %ls: error %lu\n", argv[0], ::GetLastError());
    return false;
  }
  out.process.reset(info.hProcess);
  out.thread.reset(info.hThread);
  out.pid = info.dwProcessId;
  return true;
}

struct WindowSearch {
  DWORD pid;
  HWND any;
  HWND visible;
};

BOOL CALLBACK find_windows(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  if (pid != search->pid) return TRUE;
  if (!search->any) search->any = window;
  if (::IsWindowVisible(window)) {
    search->visible = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK find_unpainted_child(HWND child, LPARAM param) {
  if (!::IsWindowVisible(child) || !::GetUpdateRect(child, nullptr, FALSE)) return TRUE;
  *reinterpret_cast<bool*>(param) = true;
  return FALSE;
}

// Whether a shown window or one of its shown children still waits for
// WM_PAINT. The update regions are the window server's, read from any
// process.
bool waits_for_paint(HWND window) {
  if (::GetUpdateRect(window, nullptr, FALSE)) return true;
  bool found = false;
  ::EnumChildWindows(window, find_unpainted_child, reinterpret_cast<LPARAM>(&found));
  return found;
}

// The largest peak read so far: Wine reads it from Linux and may give 0
// while the process is ending.
SIZE_T peak_working_set(HANDLE process, SIZE_T so_far) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!::GetProcessMemoryInfo(process, &counters, sizeof counters)) return so_far;
  return std::max(so_far, counters.PeakWorkingSetSize);
}

double cpu_ms(HANDLE process) {
  FILETIME created, ended, kernel, user;
  if (!::GetProcessTimes(process, &created, &ended, &kernel, &user)) return -1;
  const auto ticks = [](FILETIME t) {
    return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
  };
  return (ticks(kernel) + ticks(user)) / 10000.0;
}

void print_moment(const char* name, double at) {
  if (at < 0)
    std::printf("%s none\n", name);
  else
    std::printf("%s %.1f\n", name, at);
}

int startup(DWORD limit_ms, int argc, wchar_t** argv) {
  Started child;
  const double t0 = now_ms();
  if (!start(argc, argv, 0, child)) return 2;
  double created_at = -1, window_at = -1, painted_at = -1;
  HWND shown = nullptr;
  SIZE_T peak = 0;
  // Looks about every millisecond; the wait doubles as the pause.
  while (::WaitForSingleObject(child.process.get(), 1) == WAIT_TIMEOUT) {
    peak = peak_working_set(child.process.get(), peak);
    if (!shown) {
      WindowSearch search{child.pid, nullptr, nullptr};
      ::EnumWindows(find_windows, reinterpret_cast<LPARAM>(&search));
      if (search.any && created_at < 0) created_at = now_ms() - t0;
      if (search.visible) {
        shown = search.visible;
        window_at = now_ms() - t0;
      }
    }
    if (shown && painted_at < 0 && ::IsWindowVisible(shown) && !waits_for_paint(shown))
      painted_at = now_ms() - t0;
    if (now_ms() - t0 > limit_ms) {
      ::TerminateProcess(child.process.get(), 1);
      break;
    }
  }
  const double ended = now_ms() - t0;
  print_moment("created_ms", created_at);
  print_moment("window_ms", window_at);
  print_moment("painted_ms", painted_at);
  std::printf("peak_kib %llu\nrun_ms %.1f\n", static_cast<unsigned long long>(peak / 1024), ended);
  return 0;
}

// The program's file of a process, or "" while it is not known yet.
std::wstring image_of(DWORD pid) {
  unique_handle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  wchar_t name[MAX_PATH];
  DWORD size = MAX_PATH;
  if (!process || !::QueryFullProcessImageNameW(process.get(), 0, name, &size)) return {};
  return std::wstring(name, size);
}

// The last part of a path. The updater runs a private copy of the installer
// from a folder of its own, under the installer's file name.
std::wstring file_name(const std::wstring& path) {
  return path.substr(path.find_last_of(L"\\/") + 1);
}

// The value after "--installer" on the updater's command line.
std::wstring installer_argument(int argc, wchar_t** argv) {
  for (int i = 0; i + 1 < argc; ++i)
    if (std::wstring_view(argv[i]) == L"--installer") return argv[i + 1];
  return {};
}

struct Child {
  DWORD pid;
  double started;
  double updater_cpu;  // the updater's CPU time when the child started
  std::wstring image;
};

int update(DWORD limit_ms, int argc, wchar_t** argv) {
  const std::wstring installer = installer_argument(argc, argv);
  unique_handle job(::CreateJobObjectW(nullptr, nullptr));
  unique_handle port(::CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1));
  JOBOBJECT_ASSOCIATE_COMPLETION_PORT association{job.get(), port.get()};
  if (installer.empty() || !job || !port ||
      !::SetInformationJobObject(job.get(), JobObjectAssociateCompletionPortInformation,
                                 &association, sizeof association)) {
    std::fprintf(stderr, "no --installer, or no job with a completion port: error %lu\n",
                 ::GetLastError());
    return 2;
  }
  Started updater;
  if (!start(argc, argv, CREATE_SUSPENDED, updater)) return 2;
  if (!::AssignProcessToJobObject(job.get(), updater.process.get())) {
    std::fprintf(stderr, "AssignProcessToJobObject: error %lu\n", ::GetLastError());
    ::TerminateProcess(updater.process.get(), 1);
    return 2;
  }
  const double t0 = now_ms();
  ::ResumeThread(updater.thread.get());

  // Processes are told apart by their program: the installer's exit ends
  // the wait, the next process to start is the restarted application.
  std::vector<Child> children;
  double wait_ms = -1, wait_cpu_ms = -1, installer_exit = -1, restart_ms = -1;
  bool updater_ended = false;
  while (!updater_ended) {
    DWORD message = 0;
    ULONG_PTR key = 0;
    LPOVERLAPPED data = nullptr;
    const double left = limit_ms - (now_ms() - t0);
    if (left <= 0 ||
        !::GetQueuedCompletionStatus(port.get(), &message, &key, &data, static_cast<DWORD>(left)))
      break;
    const double at = now_ms();
    const auto pid = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(data));
    if (message == JOB_OBJECT_MSG_NEW_PROCESS && pid != updater.pid) {
      children.push_back(Child{pid, at, cpu_ms(updater.process.get()), {}});
      if (installer_exit >= 0 && restart_ms < 0) restart_ms = at - installer_exit;
    }
    for (Child& child : children)
      if (child.image.empty()) child.image = image_of(child.pid);
    if (message == JOB_OBJECT_MSG_EXIT_PROCESS || message == JOB_OBJECT_MSG_ABNORMAL_EXIT_PROCESS) {
      updater_ended = pid == updater.pid;
      for (const Child& child : children) {
        if (child.pid != pid || installer_exit >= 0 ||
            _wcsicmp(file_name(child.image).c_str(), file_name(installer).c_str()) != 0)
          continue;
        installer_exit = at;
        wait_ms = at - child.started;
        wait_cpu_ms = cpu_ms(updater.process.get()) - child.updater_cpu;
      }
    }
  }
  if (!updater_ended) ::TerminateProcess(updater.process.get(), 1);
  if (wait_ms < 0 || restart_ms < 0) {
    std::fprintf(stderr, "the updater did not run the installer and restart the application\n");
    return 1;
  }
  std::printf("wait_ms %.1f\nwait_cpu_ms %.1f\nrestart_ms %.1f\n", wait_ms, wait_cpu_ms,
              restart_ms);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: launch_probe startup|update LIMIT_MS PROGRAM [ARGS...]\n");
    return 2;
  }
  const std::wstring command = argv[1];
  const auto limit = static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10));
  if (command == L"startup") return startup(limit, argc - 3, argv + 3);
  if (command == L"update") return update(limit, argc - 3, argv + 3);
  std::fprintf(stderr, "unknown command\n");
  return 2;
}
