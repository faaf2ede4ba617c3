#include "harness.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "win_common/handles.h"
#include "built_path.h"
#include "win_common/utf.h"

namespace e2e {

namespace fs = std::filesystem;
using namespace std::chrono;
using win_common::unique_handle;

namespace {

// The command line that gives a program these arguments back, by the C
// runtime's rules.
std::wstring command_line(const std::vector<std::string>& argv) {
  std::wstring line;
  for (const std::string& utf8 : argv) {
    if (!line.empty()) line += L' ';
    line += L'"';
    std::size_t backslashes = 0;
    for (const wchar_t c : win_common::to_wide(utf8)) {
      if (c == L'\\') {
        ++backslashes;
        continue;
      }
      line.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
      backslashes = 0;
      line += c;
    }
    line.append(2 * backslashes, L'\\');
    line += L'"';
  }
  return line;
}

// Starts argv; suspended, for a job to take it first.
unique_handle launch(const std::vector<std::string>& argv, DWORD flags, HANDLE* thread = nullptr) {
  std::wstring line = command_line(argv);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (argv.empty() || !CreateProcessW(win_common::to_wide(argv[0]).c_str(), line.data(), nullptr,
                                      nullptr, FALSE, flags, nullptr, nullptr, &si, &pi))
    return {};
  if (thread)
    *thread = pi.hThread;
  else
    CloseHandle(pi.hThread);
  return unique_handle(pi.hProcess);
}

// Runs a Unix command under Wine, to its end; whether it ended with 0.
bool run_unix(std::vector<std::string> argv) {
  using Spawn = int(__cdecl*)(char* const*, int);
  const auto spawn = reinterpret_cast<Spawn>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "__wine_unix_spawnvp")));
  if (!spawn) return false;
  std::vector<char*> args;
  for (std::string& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  return spawn(args.data(), 1) == 0;
}

// The Unix name Wine gives a Windows path.
std::string unix_name(const fs::path& p) {
  using ToUnix = char*(__cdecl*)(const wchar_t*);
  const auto to_unix = reinterpret_cast<ToUnix>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  char* name = to_unix ? to_unix(p.c_str()) : nullptr;
  if (!name) return "";
  std::string out = name;
  HeapFree(GetProcessHeap(), 0, name);
  return out;
}

bool is_unix_link(const fs::path& p) { return run_unix({"/usr/bin/test", "-L", unix_name(p)}); }

}  // namespace

const Paths& paths() {
  static const Paths s{test_support::beside_test(L"").parent_path(),
                       path_of(test_support::built_path("PN_E2E_FIXTURES", PN_E2E_FIXTURES_DIR)),
                       fs::temp_directory_path() / L"pn-e2e"};
  return s;
}

const Signer& signer() {
  static const Signer s = [] {
    const auto first_line = [](const char* name) {
      std::string text = read_bytes(paths().fixtures / name);
      return text.substr(0, text.find_first_of("\r\n"));
    };
    return Signer{first_line("nestworks.thumb"), first_line("nestworks.subject")};
  }();
  return s;
}

std::string windows_path(const fs::path& p) { return win_common::from_wide(p.wstring()); }
fs::path path_of(const std::string& utf8) { return fs::path(win_common::to_wide(utf8)); }

void set_env(const std::string& name, const std::string& value) {
  SetEnvironmentVariableW(win_common::to_wide(name).c_str(),
                          value.empty() ? nullptr : win_common::to_wide(value).c_str());
}

bool make_link(const fs::path& link, const fs::path& target, bool folder) {
  if (under_wine()) {
    const std::string to = target.is_absolute() ? unix_name(target) : target.generic_string();
    return run_unix({"/bin/ln", "-s", to, unix_name(link)}) && is_unix_link(link);
  }
  return test_support::make_symbolic_link(link, target, folder) == 0;
}

bool rename_entry(const fs::path& from, const fs::path& to) {
  if (under_wine() && is_unix_link(from))
    return run_unix({"/bin/mv", "-T", unix_name(from), unix_name(to)}) && is_unix_link(to);
  return MoveFileExW(from.c_str(), to.c_str(), 0) != 0;
}

void remove_tree(const fs::path& p) {
  if (under_wine()) {
    run_unix({"/bin/rm", "-rf", unix_name(p)});
    return;
  }
  const DWORD attributes = GetFileAttributesW(p.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    DeleteFileW(p.c_str());
    return;
  }
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((p / L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") remove_tree(p / name);
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
  }
  RemoveDirectoryW(p.c_str());
}

namespace {
constexpr wchar_t kWineOverrides[] = L"Software\\Wine\\DllOverrides";
}

PlantedDllsFirst::PlantedDllsFirst() {
  static const wchar_t kNativeFirst[] = L"native,builtin";
  if (under_wine())
    RegSetKeyValueW(HKEY_CURRENT_USER, kWineOverrides, L"wintrust", REG_SZ, kNativeFirst,
                    sizeof kNativeFirst);
}

PlantedDllsFirst::~PlantedDllsFirst() {
  if (under_wine()) RegDeleteKeyValueW(HKEY_CURRENT_USER, kWineOverrides, L"wintrust");
}

Background::Background(const std::vector<std::string>& argv)
    : process_(launch(argv, 0).release()) {}

Background::~Background() {
  if (!process_) return;
  if (WaitForSingleObject(process_, 10000) == WAIT_TIMEOUT) {
    TerminateProcess(process_, 9);
    WaitForSingleObject(process_, 10000);
  }
  CloseHandle(process_);
}

bool Background::finished() const {
  return !process_ || WaitForSingleObject(process_, 0) == WAIT_OBJECT_0;
}

bool wait_for_file(const fs::path& p, milliseconds limit) {
  const auto end = steady_clock::now() + limit;
  while (steady_clock::now() < end) {
    std::error_code ec;
    if (fs::file_size(p, ec) > 0 && !ec) return true;
    Sleep(50);
  }
  return false;
}

std::vector<std::string> log_messages(const std::string& log, long long not_before,
                                      long long not_after) {
  std::vector<std::string> out;
  std::istringstream lines(log);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t space = line.find(' ');
    if (!line.starts_with("t=") || space == std::string::npos) {
      out.push_back("<bad line> " + line);
      continue;
    }
    const long long t = std::stoll(line.substr(2, space - 2));
    if (t < not_before || t > not_after || std::to_string(t) != line.substr(2, space - 2))
      out.push_back("<bad time> " + line);
    else
      out.push_back(line.substr(space + 1));
  }
  return out;
}

long long write_time(const fs::path& p) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(p.c_str(), GetFileExInfoStandard, &data)) return -1;
  return static_cast<long long>(data.ftLastWriteTime.dwHighDateTime) << 32 |
         data.ftLastWriteTime.dwLowDateTime;
}

long long unix_now() {
  return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

RECT work_area() {
  POINT pointer{};
  GetCursorPos(&pointer);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  GetMonitorInfoW(MonitorFromPoint(pointer, MONITOR_DEFAULTTONEAREST), &info);
  return info.rcWork;
}

namespace {
void send_input(INPUT down, INPUT up) {
  INPUT both[2] = {down, up};
  SendInput(2, both, sizeof(INPUT));
}
}  // namespace

void click_at(int x, int y) {
  SetCursorPos(x, y);
  INPUT down{}, up{};
  down.type = up.type = INPUT_MOUSE;
  down.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  up.mi.dwFlags = MOUSEEVENTF_LEFTUP;
  send_input(down, up);
}

void press_key(WORD virtual_key) {
  INPUT down{}, up{};
  down.type = up.type = INPUT_KEYBOARD;
  down.ki.wVk = up.ki.wVk = virtual_key;
  up.ki.dwFlags = KEYEVENTF_KEYUP;
  send_input(down, up);
}

std::vector<WindowSeen> WatchedRun::of_size(int width, int height) const {
  std::vector<WindowSeen> out;
  for (const WindowSeen& seen : windows)
    if (seen.window.width == width && seen.window.height == height) out.push_back(seen);
  return out;
}

std::string WatchedRun::describe() const {
  std::ostringstream out;
  out << "exit code " << exit_code << ", " << answered.size() << " answered";
  if (!stopped.empty()) out << ", stopped: " << stopped;
  out << "\n";
  for (const WindowSeen& s : windows) {
    const ScreenWindow& w = s.window;
    out << w.id << " \"" << w.title << "\" " << w.width << "x" << w.height << "+" << w.x << "+"
        << w.y << " seen " << s.first.count() << ".." << s.last.count() << " ms\n";
  }
  return out.str();
}

namespace {

// The windows of a job, as a thread of their own sees them: started with
// the program, it runs until the program has ended.
class Watcher {
 public:
  explicit Watcher(const std::vector<std::string>& argv)
      : argv_(argv),
        start_(steady_clock::now()),
        thread_(CreateThread(nullptr, 0, &Watcher::thread_main, this, 0, nullptr)) {}
  ~Watcher() {
    if (thread_) WaitForSingleObject(thread_.get(), INFINITE);
  }
  Watcher(const Watcher&) = delete;
  Watcher& operator=(const Watcher&) = delete;

  // The windows so far, those on screen (in order of showing), and the
  // exit code once the program has ended (-1 when it could not start).
  struct Sight {
    std::vector<WindowSeen> windows;
    std::vector<HWND> visible;
    std::optional<int> exit_code;
  };
  Sight sight() {
    AcquireSRWLockExclusive(&lock_);
    Sight copy = sight_;
    ReleaseSRWLockExclusive(&lock_);
    return copy;
  }
  // Ends every process of the job.
  void stop() {
    for (int i = 0; i < 1000 && !job_.load() && thread_; ++i) Sleep(10);
    if (HANDLE job = job_.load()) TerminateJobObject(job, 1);
  }
  steady_clock::time_point start() const { return start_; }

 private:
  static inline thread_local Watcher* current_ = nullptr;

  static DWORD WINAPI thread_main(void* self) {
    static_cast<Watcher*>(self)->run(static_cast<Watcher*>(self)->argv_);
    return 0;
  }

  void run(const std::vector<std::string>& argv) {
    current_ = this;
    const unique_handle job(CreateJobObjectW(nullptr, nullptr));
    const HWINEVENTHOOK hooks[] = {
        SetWinEventHook(EVENT_OBJECT_DESTROY, EVENT_OBJECT_HIDE, nullptr, on_event, 0, 0,
                        WINEVENT_OUTOFCONTEXT),
        SetWinEventHook(EVENT_OBJECT_LOCATIONCHANGE, EVENT_OBJECT_LOCATIONCHANGE, nullptr, on_event,
                        0, 0, WINEVENT_OUTOFCONTEXT)};
    HANDLE thread = nullptr;
    const unique_handle process = launch(argv, CREATE_SUSPENDED, &thread);
    DWORD code = static_cast<DWORD>(-1);
    if (process && job && AssignProcessToJobObject(job.get(), process.get())) {
      job_ = job.get();
      ResumeThread(thread);
      HANDLE ended = process.get();
      MSG msg;
      do {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        look_at_all();
      } while (MsgWaitForMultipleObjects(1, &ended, FALSE, 10, QS_ALLINPUT) != WAIT_OBJECT_0);
      // What happened before the end.
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
      look_at_all();
      GetExitCodeProcess(process.get(), &code);
    } else if (process) {
      TerminateProcess(process.get(), 1);
    }
    if (thread) CloseHandle(thread);
    for (const HWINEVENTHOOK hook : hooks)
      if (hook) UnhookWinEvent(hook);
    AcquireSRWLockExclusive(&lock_);
    sight_.exit_code = static_cast<int>(code);
    ReleaseSRWLockExclusive(&lock_);
  }

  static void CALLBACK on_event(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child,
                                DWORD, DWORD) {
    if (current_ && window && object == OBJID_WINDOW && child == CHILDID_SELF)
      current_->look_at(window, event == EVENT_OBJECT_SHOW);
  }

  static BOOL CALLBACK look_at_each(HWND window, LPARAM self) {
    reinterpret_cast<Watcher*>(self)->look_at(window);
    return TRUE;
  }

  void look_at_all() {
    EnumWindows(look_at_each, reinterpret_cast<LPARAM>(this));
    for (const HWND window : sight().visible)
      if (!IsWindow(window)) look_at(window);
  }

  bool of_the_job(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    const auto known = in_job_.find(pid);
    if (known != in_job_.end()) return known->second;
    BOOL in = FALSE;
    if (const unique_handle process{OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid)})
      IsProcessInJob(process.get(), job_.load(), &in);
    return in_job_[pid] = in != FALSE;
  }

  // Takes in what changed about a window since it was last looked at.
  // `shown`: it was shown, even if it is gone already.
  void look_at(HWND window, bool shown = false) {
    const milliseconds now = duration_cast<milliseconds>(steady_clock::now() - start_);
    AcquireSRWLockExclusive(&lock_);
    look_at_locked(window, shown, now);
    ReleaseSRWLockExclusive(&lock_);
  }

  void look_at_locked(HWND window, bool shown, milliseconds now) {
    auto& [windows, visible, exit_code] = sight_;
    const auto seen = std::find_if(windows.begin(), windows.end(),
                                   [&](const WindowSeen& s) { return s.window.id == window; });
    if (seen == windows.end() &&
        (GetAncestor(window, GA_PARENT) != GetDesktopWindow() || !of_the_job(window)))
      return;
    const auto on_screen = std::find(visible.begin(), visible.end(), window);
    if (!IsWindowVisible(window)) {
      if (seen == windows.end() && shown) windows.push_back({read(window), now, now});
      if (on_screen != visible.end()) visible.erase(on_screen);
      return;
    }
    if (on_screen == visible.end()) visible.push_back(window);
    if (seen == windows.end()) {
      windows.push_back({read(window), now, now});
    } else {
      const std::string title = seen->window.title;
      seen->window = read(window);
      seen->window.title = title;  // as it was first shown
      seen->last = now;
    }
  }

  static ScreenWindow read(HWND window) {
    ScreenWindow w;
    w.id = window;
    RECT r{};
    GetWindowRect(window, &r);
    w.x = r.left;
    w.y = r.top;
    w.width = r.right - r.left;
    w.height = r.bottom - r.top;
    std::wstring title(512, L'\0');
    title.resize(static_cast<std::size_t>(
        GetWindowTextW(window, title.data(), static_cast<int>(title.size()))));
    w.title = win_common::from_wide(title);
    return w;
  }

  const std::vector<std::string> argv_;
  const steady_clock::time_point start_;
  SRWLOCK lock_ = SRWLOCK_INIT;
  Sight sight_;
  std::atomic<HANDLE> job_{nullptr};
  std::map<DWORD, bool> in_job_;  // process id -> whether it is the job's
  const unique_handle thread_;    // last: it starts at once
};

std::string window_text(const ScreenWindow& w) {
  std::ostringstream out;
  out << w.id << " \"" << w.title << "\" " << w.width << "x" << w.height;
  return out.str();
}

std::string seconds_text(std::chrono::nanoseconds t) {
  return std::to_string(duration_cast<seconds>(t).count()) + " s";
}

}  // namespace

WatchedRun run_checked(const std::vector<std::string>& argv, const ExpectedWindows& rules) {
  WatchedRun result;
  std::map<HWND, steady_clock::time_point> clicked;  // when each was clicked
  Watcher watcher(argv);
  auto last_window = watcher.start();
  const auto stop = [&](std::string why) {
    watcher.stop();
    result.stopped = std::move(why);
  };
  for (;;) {
    Sleep(20);
    Watcher::Sight sight = watcher.sight();
    result.windows = sight.windows;
    if (sight.exit_code) {
      result.exit_code = *sight.exit_code;
      if (*sight.exit_code == -1) result.stopped = "could not start " + argv.front();
      break;
    }
    const auto now = steady_clock::now();
    if (now - watcher.start() > rules.limit) {
      stop("still running after " + seconds_text(rules.limit));
      break;
    }
    const seconds windowless_limit =
        sight.windows.empty() ? rules.first_window_within : rules.without_window;
    if (!sight.visible.empty()) {
      last_window = now;
    } else if (now - last_window > windowless_limit) {
      stop("no window of the run on screen for " + seconds_text(windowless_limit));
      break;
    }
    for (const HWND id : sight.visible) {
      const WindowSeen& seen =
          *std::find_if(sight.windows.begin(), sight.windows.end(),
                        [&](const WindowSeen& s) { return s.window.id == id; });
      const ScreenWindow& w = seen.window;
      const auto answer = std::find_if(
          rules.answers.begin(), rules.answers.end(),
          [&](const WindowAnswer& a) { return a.width == w.width && a.height == w.height; });
      if (answer == rules.answers.end()) {
        if (std::find(rules.shown.begin(), rules.shown.end(), std::pair{w.width, w.height}) ==
            rules.shown.end()) {
          stop("unexpected window " + window_text(w));
          break;
        }
        continue;
      }
      const auto last = clicked.find(id);
      if (last == clicked.end()) {
        if (now - watcher.start() - seen.first < rules.settle) continue;
        if (answer->before_click) answer->before_click(w);
        result.answered.push_back(w);
        click_at(w.x + answer->click_x, w.y + answer->click_y);
        clicked[id] = steady_clock::now();
      } else if (now - last->second > rules.answered_within) {
        stop(window_text(w) + " still open " + seconds_text(rules.answered_within) +
             " after its click");
        break;
      }
    }
    if (!result.stopped.empty()) break;
  }
  return result;
}

namespace {

// Whether the temp folder holds a private folder of an updater changed
// after `than`.
bool private_folder_newer(const FILETIME& than) {
  const fs::path pattern = fs::temp_directory_path() / L"PARLEYNEST-Updater-*";
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  bool newer = false;
  do newer = CompareFileTime(&found.ftLastWriteTime, &than) > 0;
  while (!newer && FindNextFileW(search, &found));
  FindClose(search);
  return newer;
}

}  // namespace

SwapWhenHeld::SwapWhenHeld(fs::path log, fs::path folder, fs::path away, fs::path other)
    : log_(std::move(log)),
      folder_(std::move(folder)),
      away_(std::move(away)),
      other_(std::move(other)),
      thread_(CreateThread(nullptr, 0, &SwapWhenHeld::run, this, 0, nullptr)) {}

SwapWhenHeld::~SwapWhenHeld() { swapped(); }

bool SwapWhenHeld::swapped() {
  if (thread_) WaitForSingleObject(thread_.get(), INFINITE);
  return swapped_;
}

DWORD WINAPI SwapWhenHeld::run(void* self) {
  auto& s = *static_cast<SwapWhenHeld*>(self);
  s.swapped_ = swap_when_held(s.log_, s.folder_, s.away_, s.other_);
  return 0;
}

bool swap_when_held(const fs::path& log, const fs::path& folder, const fs::path& away,
                    const fs::path& other) {
  WIN32_FILE_ATTRIBUTE_DATA written{};
  const auto started = steady_clock::now();
  while (!GetFileAttributesExW(log.c_str(), GetFileExInfoStandard, &written) ||
         (written.nFileSizeLow == 0 && written.nFileSizeHigh == 0)) {
    if (steady_clock::now() - started > seconds(200)) return false;
    Sleep(1);
  }
  const auto logged = steady_clock::now();
  while (!private_folder_newer(written.ftLastWriteTime) &&
         steady_clock::now() - logged < seconds(20))
    Sleep(1);
  if (!rename_entry(folder, away) || !rename_entry(other, folder)) return false;
  test_support::write_bytes(log.wstring() + L".swapped", "");
  return true;
}

}  // namespace e2e
