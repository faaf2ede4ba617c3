#pragma once
// Runs the built programs for the end-to-end tests, on Windows or under
// Wine: scratch folders, links, child processes, and watched runs whose
// top-level windows are seen, measured and clicked.

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "win_common/handles.h"
#include "win_test_support.h"

namespace e2e {

struct Paths {
  std::filesystem::path windows_bin;  // the programs: this test's own folder
  std::filesystem::path fixtures;     // the signed installers the build made
  std::filesystem::path work;         // scratch space: %TEMP%\pn-e2e
};
// PN_E2E_FIXTURES, when set, names another fixtures folder.
const Paths& paths();

// What the tests read of the installers' signer (make-e2e-fixtures.sh).
struct Signer {
  std::string thumbprint;  // 40 upper-case hex digits
  std::string subject;     // as Windows writes it
};
const Signer& signer();

// A path as UTF-8 text, and back.
std::string windows_path(const std::filesystem::path& p);
std::filesystem::path path_of(const std::string& utf8);

using test_support::under_wine;

// Sets (or, with an empty value, removes) a variable of this process's
// environment, which the programs it starts inherit.
void set_env(const std::string& name, const std::string& value);

// A symbolic link at `link` to `target` (relative to the link's folder, or
// absolute). Wine's CreateSymbolicLinkW says yes and makes nothing: under
// Wine it is a Unix link, which Wine follows as Windows follows links.
bool make_link(const std::filesystem::path& link, const std::filesystem::path& target, bool folder);
// Renames `from` to `to`; a link itself is renamed, never what it points at
// (under Wine, whose MoveFileExW would rename the folder behind a Unix
// link, with mv).
bool rename_entry(const std::filesystem::path& from, const std::filesystem::path& to);

// Removes a file or a folder with all in it; a link as itself, never what
// it points at (under Wine with rm, as Wine shows a Unix link to a folder
// as that folder).
void remove_tree(const std::filesystem::path& p);

// While it lives, Wine prefers a wintrust.dll beside a program to its own,
// as Windows does (a registry setting of Wine's, read at each start; the
// environment's WINEDLLOVERRIDES reaches no program started from Windows).
class PlantedDllsFirst {
 public:
  PlantedDllsFirst();
  ~PlantedDllsFirst();
  PlantedDllsFirst(const PlantedDllsFirst&) = delete;
  PlantedDllsFirst& operator=(const PlantedDllsFirst&) = delete;
};

// A program left running in the background: waited for 10 s at the end,
// then ended.
class Background {
 public:
  explicit Background(const std::vector<std::string>& argv);
  ~Background();
  Background(const Background&) = delete;
  Background& operator=(const Background&) = delete;
  bool finished() const;

 private:
  HANDLE process_ = nullptr;
};

using test_support::read_bytes;
using test_support::write_bytes;

// Polls until the file exists and is not empty.
bool wait_for_file(const std::filesystem::path& p, std::chrono::milliseconds limit);

// The messages of a run log with the "t=<seconds> " part checked and cut,
// each as its bytes stand in the log (the paths of the tests hold no
// carriage return or line feed, so a path is logged as it is).
std::vector<std::string> log_messages(const std::string& log, long long not_before,
                                      long long not_after);

// When a file was last written, in the file system's own units; -1 when
// it cannot be read.
long long write_time(const std::filesystem::path& p);

long long unix_now();

// A top-level window of a watched run.
struct ScreenWindow {
  HWND id = nullptr;
  std::string title;
  int x = 0, y = 0, width = 0, height = 0;
};

// The work area (the screen less the task bar) of the monitor under the
// pointer: where the updater centres its windows.
RECT work_area();

// What the answer of a window (WindowAnswer::before_click) can do: a real
// click of button 1 at (x, y) on the screen; a key pressed and released.
void click_at(int x, int y);
void press_key(WORD virtual_key);

// A window to answer with a click: any window of the watched process of this
// size, clicked at (click_x, click_y) in its own coordinates.
struct WindowAnswer {
  int width = 0, height = 0;
  int click_x = 0, click_y = 0;
  std::function<void(const ScreenWindow&)> before_click;  // may be empty
};

// A window of a watched run and when it was on screen (since the start).
struct WindowSeen {
  ScreenWindow window;
  std::chrono::milliseconds first{}, last{};
};

struct WatchedRun {
  int exit_code = -1;                  // -1: could not run, or stopped
  std::vector<WindowSeen> windows;     // in order of first sight
  std::vector<ScreenWindow> answered;  // each answered window once
  std::string stopped;                 // why the run was stopped; empty when it ended
  // The windows of this size.
  std::vector<WindowSeen> of_size(int width, int height) const;
  // One line per window, for failure messages.
  std::string describe() const;
};

// What run_checked lets a run show, and how long it may take.
struct ExpectedWindows {
  // Windows answered by one click, once they have been on screen for
  // `settle`.
  std::vector<WindowAnswer> answers;
  // The sizes of the other windows the run may show; they are left alone.
  std::vector<std::pair<int, int>> shown;
  std::chrono::milliseconds settle{300};
  // Longest time an answered window may stay after its click.
  std::chrono::seconds answered_within{5};
  // Longest time the run may go on before its first window (the first Wine
  // program of a session starts Wine's desktop too, slowly on a loaded
  // machine), and with none of its windows on screen after one was.
  std::chrono::seconds first_window_within{60};
  std::chrono::seconds without_window{15};
  std::chrono::seconds limit{200};
};

// Runs a program ({program, arguments...}) in a job object until it ends,
// and watches the top-level windows of the job's processes: on Windows a
// WinEvent hook hears of each, however briefly it lives; Wine calls no hook
// of another process, so they are also looked at every 10 ms. The answers
// are clicked, once each. The run is stopped at once, and `stopped` says
// why, when a window of another size appears, when an answered window
// stays, or when the run goes on without any window for too long.
WatchedRun run_checked(const std::vector<std::string>& argv, const ExpectedWindows& expected);

// Waits until `log` has its first line and a private folder of an updater
// newer than it is in the temp folder (the run holds its installer and
// verifies it); then renames `folder` to `away` and `other` to `folder`,
// and writes "<log>.swapped". Whether both renames were done.
bool swap_when_held(const std::filesystem::path& log, const std::filesystem::path& folder,
                    const std::filesystem::path& away, const std::filesystem::path& other);

// swap_when_held in a thread of its own, from construction on.
class SwapWhenHeld {
 public:
  SwapWhenHeld(std::filesystem::path log, std::filesystem::path folder, std::filesystem::path away,
               std::filesystem::path other);
  ~SwapWhenHeld();
  SwapWhenHeld(const SwapWhenHeld&) = delete;
  SwapWhenHeld& operator=(const SwapWhenHeld&) = delete;
  // Waits for the swap; whether both renames were done.
  bool swapped();

 private:
  static DWORD WINAPI run(void* self);
  const std::filesystem::path log_, folder_, away_, other_;
  bool swapped_ = false;
  const win_common::unique_handle thread_;  // last: it starts at once
};

}  // namespace e2e
