#pragma once
// Runs the built Windows programs under Wine from a native test: scratch
// folders, Windows paths for them, and child processes.

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

// Settings handed over by CTest through the environment.
struct Paths {
  std::filesystem::path windows_bin;  // the Windows build's programs
  std::filesystem::path wine_run;     // scripts/wine-run
  std::filesystem::path fixtures;     // make-certs.sh and sign.sh
  std::filesystem::path work;         // scratch space of this build
};
const Paths& paths();

// Z:\tmp\x for /tmp/x.
std::string windows_path(const std::filesystem::path& unix_path);

// The Wine prefix the programs run in: $WINEPREFIX, or the scripts' own.
std::filesystem::path wine_prefix();

// <prefix>/drive_c/x/y for C:\x\y.
std::filesystem::path unix_path(const std::string& windows_path);

// Runs a command to its end; the exit status, or -1 when it could not run.
int run(const std::vector<std::string>& argv);

// A process left running in the background; waited for at the end.
class Background {
 public:
  explicit Background(const std::vector<std::string>& argv);
  ~Background();
  Background(const Background&) = delete;
  Background& operator=(const Background&) = delete;
  bool finished();

 private:
  int pid_ = -1;
};

std::string read_file(const std::filesystem::path& p);
void write_file(const std::filesystem::path& p, const std::string& bytes);

// Polls until the file exists and is not empty.
bool wait_for_file(const std::filesystem::path& p, std::chrono::milliseconds limit);

// The messages of a run log with the "t=<seconds> " part checked and cut,
// each as its bytes stand in the log (the paths of the tests hold no
// carriage return or line feed, so a path is logged as it is).
std::vector<std::string> log_messages(const std::string& log, long long not_before,
                                      long long not_after);

long long unix_now();

// Runs a command with a time limit; its standard output, or nothing when it
// failed or ran out of time.
std::optional<std::string> output_of(const std::vector<std::string>& argv, int limit_seconds = 5);

// A top-level window of a watched run, as Windows (Wine) has it.
struct ScreenWindow {
  std::string id;  // its handle, "0x10056"
  std::string title;
  int x = 0, y = 0, width = 0, height = 0;
};

// Width and height of the screen.
std::optional<std::pair<int, int>> screen_size();

// What the answer of a window (WindowAnswer::before_click) can do during a
// watched run: a real click of button 1 at (x, y) on the screen; a key
// pressed and released ("return", "escape"); the window in front (its id);
// whether a window is visible. Outside a watched run they do nothing.
bool click_at(int x, int y);
bool press_key(const std::string& key);
std::string foreground_window();
bool window_visible(const std::string& id);

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
  int clicked_again = 0;               // clicks repeated on a window still open
  std::string stopped;                 // why the run was stopped; empty when it ended
  // The windows of this size.
  std::vector<WindowSeen> of_size(int width, int height) const;
  // One line per window, for failure messages.
  std::string describe() const;
};

// Runs a Windows program ({scripts/wine-run, program, arguments...}) until
// it ends (killed after limit) and watches the top-level windows of its
// process and of the processes it starts: a helper (e2e_driver.exe) starts
// it in a job object and tells of each window shown, moved or hidden. The
// answers are clicked. A window still open 2 s after its click is clicked
// again (counted in clicked_again).
WatchedRun run_watched(const std::vector<std::string>& argv,
                       const std::vector<WindowAnswer>& answers, std::chrono::seconds limit);

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

// run_watched that stops the run at once, and says why in `stopped`, when a
// window of another size appears, when an answered window stays, or when the
// run goes on without any window for too long. Nothing is clicked twice.
WatchedRun run_checked(const std::vector<std::string>& argv, const ExpectedWindows& expected);

}  // namespace e2e
