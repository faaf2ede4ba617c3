// Drives a Windows program for the end-to-end tests. It starts the program
// in a job object and reports every top-level window of the job's
// processes as it is shown, moved and hidden. On Windows a WinEvent hook
// hears of each, however briefly it lives; Wine calls no hook of another
// process, so the windows are also looked at every 10 ms (one that lives
// less than that can be missed there). On request it clicks, presses keys
// and tells which window is in front.
//
//   e2e_driver [PROGRAM ARGS...]
//   e2e_driver --when-held LOG [FOLDER AWAY OTHER]
//
// The second form waits until LOG has its first line and an updater's
// private folder newer than it is there: the run holds its installer and
// verifies it. Then it plays a folder attack: FOLDER is renamed AWAY and
// OTHER takes its name, and "LOG.swapped" is made. Its exit code is 0 when
// both renames were done. (Wine renames the folder behind a Unix link, not
// the link: the tests retarget such links with mv.)
//
// It writes, one line each, in UTF-8:
//   screen W H                the primary screen's size; alone without PROGRAM
//   show HWND X Y W H TITLE   a window of the job became visible
//   move HWND X Y W H         it moved
//   hide HWND                 it was hidden or destroyed
//   exit CODE                 PROGRAM ended (the last line; what it started runs on)
// and answers each line it reads with one line:
//   click X Y          -> done       a click of the left button at (X, Y)
//   key return|escape  -> done       a key pressed and released
//   foreground         -> foreground HWND
//   visible HWND       -> visible 0|1
//   stop               -> done       every process of the job is ended
#include <windows.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

HANDLE g_job = nullptr;
CRITICAL_SECTION g_output;
std::map<HWND, std::string> g_windows;  // the job's windows seen, visible or not
std::map<DWORD, bool> g_in_job;         // process id -> whether it is the job's

void say(const std::string& line) {
  EnterCriticalSection(&g_output);
  const std::string out = line + "\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), out.data(), static_cast<DWORD>(out.size()), &written,
            nullptr);
  LeaveCriticalSection(&g_output);
}

std::string utf8(const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

std::string hwnd_text(HWND window) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%llx",
                static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
  return text;
}

std::string rect_text(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return std::to_string(r.left) + " " + std::to_string(r.top) + " " +
         std::to_string(r.right - r.left) + " " + std::to_string(r.bottom - r.top);
}

bool of_the_job(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  const auto known = g_in_job.find(pid);
  if (known != g_in_job.end()) return known->second;
  BOOL in = FALSE;
  if (HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid)) {
    IsProcessInJob(process, g_job, &in);
    CloseHandle(process);
  }
  return g_in_job[pid] = in != FALSE;
}

// Says what changed about a window since it was last looked at: shown,
// moved or hidden. `shown`: it was shown, even if it is gone already.
void look_at(HWND window, bool shown = false) {
  const auto seen = g_windows.find(window);
  if (seen == g_windows.end() &&
      (GetAncestor(window, GA_PARENT) != GetDesktopWindow() || !of_the_job(window)))
    return;
  const bool visible = IsWindowVisible(window) != FALSE;
  const std::string rect = visible ? rect_text(window) : "";
  std::string& was = g_windows[window];  // its rectangle while visible, else empty
  if ((visible || shown) && was.empty()) {
    std::wstring title(512, L'\0');
    title.resize(static_cast<std::size_t>(
        GetWindowTextW(window, title.data(), static_cast<int>(title.size()))));
    say("show " + hwnd_text(window) + " " + rect_text(window) + " " + utf8(title));
  } else if (visible && rect != was) {
    say("move " + hwnd_text(window) + " " + rect);
  }
  if (!visible && (!was.empty() || shown)) say("hide " + hwnd_text(window));
  was = rect;
}

void CALLBACK on_event(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD,
                       DWORD) {
  if (window && object == OBJID_WINDOW && child == CHILDID_SELF)
    look_at(window, event == EVENT_OBJECT_SHOW);
}

BOOL CALLBACK look_at_each(HWND window, LPARAM) {
  look_at(window);
  return TRUE;
}

void look_at_all() {
  EnumWindows(look_at_each, 0);
  for (const auto& [window, rect] : g_windows)
    if (!rect.empty() && !IsWindow(window)) look_at(window);
}

void send_input(INPUT down, INPUT up) {
  INPUT both[2] = {down, up};
  SendInput(2, both, sizeof(INPUT));
}

// Reads the commands, one a line, and answers each.
DWORD WINAPI answer_commands(void*) {
  std::string pending;
  char buffer[512];
  DWORD n = 0;
  while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &n, nullptr) && n > 0) {
    pending.append(buffer, n);
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
      const std::string line = pending.substr(0, end);
      pending.erase(0, end + 1);
      int x = 0, y = 0;
      unsigned long long id = 0;
      char key[16] = "";
      if (std::sscanf(line.c_str(), "click %d %d", &x, &y) == 2) {
        SetCursorPos(x, y);
        INPUT down{}, up{};
        down.type = up.type = INPUT_MOUSE;
        down.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        up.mi.dwFlags = MOUSEEVENTF_LEFTUP;
        send_input(down, up);
        say("done");
      } else if (std::sscanf(line.c_str(), "key %15s", key) == 1) {
        INPUT down{}, up{};
        down.type = up.type = INPUT_KEYBOARD;
        down.ki.wVk = up.ki.wVk = std::string(key) == "return" ? VK_RETURN : VK_ESCAPE;
        up.ki.dwFlags = KEYEVENTF_KEYUP;
        send_input(down, up);
        say("done");
      } else if (line == "foreground") {
        say("foreground " + hwnd_text(GetForegroundWindow()));
      } else if (std::sscanf(line.c_str(), "visible %llx", &id) == 1) {
        const HWND window = reinterpret_cast<HWND>(static_cast<UINT_PTR>(id));
        say(std::string("visible ") + (IsWindowVisible(window) ? "1" : "0"));
      } else if (line == "stop") {
        TerminateJobObject(g_job, 1);
        say("done");
      } else {
        say("unknown " + line);
      }
    }
  }
  return 0;
}

// The command line that gives a program these arguments back, by the C
// runtime's rules.
std::wstring command_line(int argc, wchar_t** argv) {
  std::wstring line;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (i > 1) line += L' ';
    line += L'"';
    std::size_t backslashes = 0;
    for (const wchar_t c : arg) {
      if (c == L'\\') {
        ++backslashes;
      } else {
        line.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
      }
      if (c != L'\\') line += c;
    }
    line.append(2 * backslashes, L'\\');
    line += L'"';
  }
  return line;
}

// Whether %TEMP% holds a private folder of an updater changed after `than`.
bool private_folder_newer(const FILETIME& than) {
  std::wstring pattern(MAX_PATH + 1, L'\0');
  pattern.resize(GetTempPathW(static_cast<DWORD>(pattern.size()), pattern.data()));
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((pattern + L"PARLEYNEST-Updater-*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  bool newer = false;
  do newer = CompareFileTime(&found.ftLastWriteTime, &than) > 0;
  while (!newer && FindNextFileW(search, &found));
  FindClose(search);
  return newer;
}

int swap_when_held(wchar_t** argv) {
  WIN32_FILE_ATTRIBUTE_DATA log{};
  while (!GetFileAttributesExW(argv[2], GetFileExInfoStandard, &log) ||
         (log.nFileSizeLow == 0 && log.nFileSizeHigh == 0))
    Sleep(1);
  for (int i = 0; i < 20000 && !private_folder_newer(log.ftLastWriteTime); ++i) Sleep(1);
  if (!argv[3]) return 0;
  if (!MoveFileExW(argv[3], argv[4], 0) || !MoveFileExW(argv[5], argv[3], 0)) return 1;
  CloseHandle(CreateFileW((std::wstring(argv[2]) + L".swapped").c_str(), GENERIC_WRITE, 0, nullptr,
                          CREATE_ALWAYS, 0, nullptr));
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if ((argc == 3 || argc == 6) && std::wstring(argv[1]) == L"--when-held")
    return swap_when_held(argv);
  InitializeCriticalSection(&g_output);
  say("screen " + std::to_string(GetSystemMetrics(SM_CXSCREEN)) + " " +
      std::to_string(GetSystemMetrics(SM_CYSCREEN)));
  if (argc < 2) return 0;

  g_job = CreateJobObjectW(nullptr, nullptr);
  SetWinEventHook(EVENT_OBJECT_DESTROY, EVENT_OBJECT_HIDE, nullptr, on_event, 0, 0,
                  WINEVENT_OUTOFCONTEXT);
  SetWinEventHook(EVENT_OBJECT_LOCATIONCHANGE, EVENT_OBJECT_LOCATIONCHANGE, nullptr, on_event, 0, 0,
                  WINEVENT_OUTOFCONTEXT);
  std::wstring line = command_line(argc, argv);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!g_job || !CreateProcessW(argv[1], line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                                nullptr, nullptr, &si, &pi)) {
    say("exit -1");
    return 1;
  }
  AssignProcessToJobObject(g_job, pi.hProcess);
  ResumeThread(pi.hThread);
  CloseHandle(pi.hThread);
  CloseHandle(CreateThread(nullptr, 0, answer_commands, nullptr, 0, nullptr));

  MSG msg;
  do {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    look_at_all();
  } while (MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 10, QS_ALLINPUT) != WAIT_OBJECT_0);
  // What happened before the end.
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  look_at_all();
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  say("exit " + std::to_string(static_cast<int>(code)));
  return 0;
}
