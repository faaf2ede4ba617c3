#include "wine_harness.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace e2e {
namespace {

std::filesystem::path env_path(const char* name) {
  const char* value = std::getenv(name);
  if (!value || !*value) throw std::runtime_error(std::string("missing environment ") + name);
  return value;
}

// Starts argv; with out_fd its standard output goes there and its errors
// are dropped.
int spawn(const std::vector<std::string>& argv, int out_fd = -1) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (out_fd >= 0) {
    posix_spawn_file_actions_adddup2(&actions, out_fd, STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  }
  pid_t pid = -1;
  const int error = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return error == 0 ? pid : -1;
}

int exit_code_of(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

// The number after `key` in text ("Width: 480" for key "Width:").
std::optional<int> number_after(const std::string& text, const std::string& key) {
  const std::size_t at = text.find(key);
  if (at == std::string::npos) return std::nullopt;
  try {
    return std::stoi(text.substr(at + key.size()));
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// One child line of "xwininfo -root -children":
//   0x400003 "title": ("class" "class")  480x174+400+313  +400+313
std::optional<ScreenWindow> parse_child_line(const std::string& line) {
  std::istringstream in(line);
  ScreenWindow w;
  if (!(in >> w.id) || !w.id.starts_with("0x")) return std::nullopt;
  const std::size_t open = line.find('"');
  const std::size_t close = line.rfind("\": (");
  if (open == std::string::npos || close == std::string::npos || close <= open) return std::nullopt;
  w.title = line.substr(open + 1, close - open - 1);
  std::istringstream tail(line.substr(line.rfind(')') + 1));
  std::string size;
  char x = 0;
  std::string absolute;
  if (!(tail >> size >> absolute) ||
      std::sscanf(size.c_str(), "%dx%d%c", &w.width, &w.height, &x) != 3 ||
      std::sscanf(absolute.c_str(), "%d%d", &w.x, &w.y) != 2)
    return std::nullopt;
  return w;
}

// The named top-level windows of the display, mapped or not.
std::vector<ScreenWindow> top_level_windows() {
  std::vector<ScreenWindow> out;
  const auto text = output_of({"xwininfo", "-root", "-children"});
  if (!text) return out;
  std::istringstream lines(*text);
  for (std::string line; std::getline(lines, line);)
    if (auto w = parse_child_line(line)) out.push_back(*w);
  return out;
}

// The process that made an X window (_NET_WM_PID), -1 when unknown.
int window_pid(const std::string& id) {
  const auto text = output_of({"xprop", "-id", id, "_NET_WM_PID"});
  return text ? number_after(*text, "= ").value_or(-1) : -1;
}

// The program that made an X window (the first WM_CLASS string, which Wine
// sets to the executable's file name in lower case).
std::string window_program(const std::string& id) {
  const auto text = output_of({"xprop", "-id", id, "WM_CLASS"});
  if (!text) return "";
  const auto open = text->find('"');
  const auto close = open == std::string::npos ? open : text->find('"', open + 1);
  return close == std::string::npos ? "" : text->substr(open + 1, close - open - 1);
}

bool is_viewable(const std::string& id) {
  const auto text = output_of({"xwininfo", "-id", id});
  return text && text->find("Map State: IsViewable") != std::string::npos;
}

}  // namespace

const Paths& paths() {
  static const Paths s{env_path("PN_WINDOWS_BIN"), env_path("PN_WINE_RUN"), env_path("PN_FIXTURES"),
                       env_path("PN_E2E_WORK")};
  return s;
}

std::string windows_path(const std::filesystem::path& unix_path) {
  std::string out = "Z:" + std::filesystem::absolute(unix_path).lexically_normal().string();
  for (char& c : out)
    if (c == '/') c = '\\';
  return out;
}

std::filesystem::path wine_prefix() {
  const char* prefix = std::getenv("WINEPREFIX");
  return prefix && *prefix ? std::filesystem::path(prefix)
                           : paths().wine_run.parent_path() / ".." / "build" / "wineprefix";
}

std::filesystem::path unix_path(const std::string& windows_path) {
  std::filesystem::path out = wine_prefix() / "drive_c";
  std::string rest = windows_path.substr(3);
  for (std::size_t at; (at = rest.find('\\')) != std::string::npos; rest.erase(0, at + 1))
    out /= rest.substr(0, at);
  return out / rest;
}

int run(const std::vector<std::string>& argv) {
  const int pid = spawn(argv);
  if (pid < 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) < 0) return -1;
  return exit_code_of(status);
}

Background::Background(const std::vector<std::string>& argv) : pid_(spawn(argv)) {}

Background::~Background() {
  if (pid_ <= 0) return;
  for (int i = 0; i < 200 && !finished(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

bool Background::finished() {
  if (pid_ <= 0) return true;
  if (waitpid(pid_, nullptr, WNOHANG) == pid_) pid_ = -1;
  return pid_ <= 0;
}

std::string read_file(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void write_file(const std::filesystem::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary) << bytes;
}

bool wait_for_file(const std::filesystem::path& p, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    std::error_code ec;
    if (std::filesystem::file_size(p, ec) > 0 && !ec) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
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

long long unix_now() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::optional<std::string> output_of(const std::vector<std::string>& argv, int limit_seconds) {
  int fds[2];
  if (pipe(fds) != 0) return std::nullopt;
  std::vector<std::string> limited{"timeout", "-k", "1", std::to_string(limit_seconds)};
  limited.insert(limited.end(), argv.begin(), argv.end());
  const int pid = spawn(limited, fds[1]);
  close(fds[1]);
  std::string out;
  char buffer[4096];
  for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) != 0;) {
    if (n > 0)
      out.append(buffer, static_cast<std::size_t>(n));
    else if (errno != EINTR)
      break;
  }
  close(fds[0]);
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) < 0 || exit_code_of(status) != 0) return std::nullopt;
  return out;
}

std::optional<std::pair<int, int>> screen_size() {
  const auto text = output_of({"xwininfo", "-root"});
  if (!text) return std::nullopt;
  const auto width = number_after(*text, "Width:"), height = number_after(*text, "Height:");
  if (!width || !height) return std::nullopt;
  return std::pair{*width, *height};
}

bool click_at(int x, int y) {
  return output_of({"xdotool", "mousemove", std::to_string(x), std::to_string(y), "click", "1"})
      .has_value();
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
  if (clicked_again > 0) out << ", " << clicked_again << " clicks repeated";
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

// How a watched run is checked and answered.
struct WatchRules {
  const std::vector<WindowAnswer>& answers;
  const std::vector<std::pair<int, int>>* shown;  // null: any window may be shown
  std::chrono::milliseconds settle;
  std::optional<std::chrono::milliseconds> click_again_after;
  std::optional<std::chrono::milliseconds> answered_within;
  std::optional<std::chrono::milliseconds> first_window_within;
  std::optional<std::chrono::milliseconds> without_window;
  std::chrono::milliseconds limit;
};

std::string window_text(const ScreenWindow& w) {
  return w.id + " \"" + w.title + "\" " + std::to_string(w.width) + "x" + std::to_string(w.height);
}

std::string seconds_text(std::chrono::milliseconds t) {
  return std::to_string(std::chrono::duration_cast<std::chrono::seconds>(t).count()) + " s";
}

WatchedRun watch(const std::vector<std::string>& argv, const WatchRules& rules) {
  using namespace std::chrono;
  WatchedRun result;
  const auto start = steady_clock::now();
  std::set<std::string> before;  // windows already there: never this run's
  for (const ScreenWindow& w : top_level_windows()) before.insert(w.id);
  const int pid = spawn(argv);
  if (pid < 0) {
    result.stopped = "could not start " + argv.front();
    return result;
  }
  const auto stop = [&](std::string why) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    result.stopped = std::move(why);
    return result;
  };
  std::map<std::string, int> pids;                          // X window id -> process
  std::map<std::string, steady_clock::time_point> clicked;  // last click per window
  auto last_window = start;
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (steady_clock::now() - start > rules.limit)
      return stop("still running after " + seconds_text(rules.limit));
    // One look at the display, then the answers: what one look saw was on
    // screen together.
    std::vector<ScreenWindow> visible;
    const std::vector<ScreenWindow> windows = top_level_windows();
    // A window that is gone frees its id, which X hands out again to a
    // window of a new client (Wine's desktop process may end meanwhile):
    // what was known of the id is forgotten.
    const auto gone = [&](const std::string& id) {
      return std::none_of(windows.begin(), windows.end(),
                          [&](const ScreenWindow& w) { return w.id == id; });
    };
    if (!windows.empty()) {  // empty: the look failed
      std::erase_if(before, gone);
      std::erase_if(pids, [&](const auto& known) { return gone(known.first); });
    }
    for (const ScreenWindow& w : windows) {
      if (!pids.contains(w.id))
        if (const int owner = window_pid(w.id); owner > 0) pids[w.id] = owner;
      // The run's own windows: made by the process started here, or by the
      // updater when a program of the test started it in its turn (Wine
      // detaches the processes a program starts).
      const bool ours =
          (pids.contains(w.id) && pids[w.id] == pid) ||
          (!before.contains(w.id) && window_program(w.id) == "parleynest-updater.exe");
      if (ours && is_viewable(w.id)) visible.push_back(w);
    }
    const auto now = steady_clock::now();
    const auto since_start = duration_cast<milliseconds>(now - start);
    const auto& windowless_limit =
        result.windows.empty() ? rules.first_window_within : rules.without_window;
    if (!visible.empty())
      last_window = now;
    else if (windowless_limit && now - last_window > *windowless_limit)
      return stop("no window of the run on screen for " + seconds_text(*windowless_limit));
    for (const ScreenWindow& w : visible) {
      auto seen = std::find_if(result.windows.begin(), result.windows.end(),
                               [&](const WindowSeen& s) { return s.window.id == w.id; });
      if (seen == result.windows.end())
        result.windows.push_back({w, since_start, since_start});
      else
        seen->last = since_start;
    }
    for (const ScreenWindow& w : visible) {
      const auto answer = std::find_if(
          rules.answers.begin(), rules.answers.end(),
          [&](const WindowAnswer& a) { return a.width == w.width && a.height == w.height; });
      if (answer == rules.answers.end()) {
        if (rules.shown && std::find(rules.shown->begin(), rules.shown->end(),
                                     std::pair{w.width, w.height}) == rules.shown->end())
          return stop("unexpected window " + window_text(w));
        continue;
      }
      const auto last = clicked.find(w.id);
      if (last == clicked.end()) {
        const auto first = std::find_if(result.windows.begin(), result.windows.end(),
                                        [&](const WindowSeen& s) { return s.window.id == w.id; });
        if (since_start - first->first < rules.settle) continue;
        if (answer->before_click) answer->before_click(w);
        result.answered.push_back(w);
      } else if (rules.click_again_after && now - last->second >= *rules.click_again_after) {
        ++result.clicked_again;
      } else if (rules.answered_within && now - last->second > *rules.answered_within) {
        return stop(window_text(w) + " still open " + seconds_text(*rules.answered_within) +
                    " after its click");
      } else {
        continue;
      }
      click_at(w.x + answer->click_x, w.y + answer->click_y);
      clicked[w.id] = steady_clock::now();
    }
    std::this_thread::sleep_for(milliseconds(50));
  }
  result.exit_code = exit_code_of(status);
  return result;
}

}  // namespace

WatchedRun run_watched(const std::vector<std::string>& argv,
                       const std::vector<WindowAnswer>& answers, std::chrono::seconds limit) {
  using namespace std::chrono;
  return watch(argv, {answers, nullptr, milliseconds(0), seconds(2), std::nullopt, std::nullopt,
                      std::nullopt, duration_cast<milliseconds>(limit)});
}

WatchedRun run_checked(const std::vector<std::string>& argv, const ExpectedWindows& expected) {
  using namespace std::chrono;
  return watch(argv, {expected.answers, &expected.shown, expected.settle, std::nullopt,
                      duration_cast<milliseconds>(expected.answered_within),
                      duration_cast<milliseconds>(expected.first_window_within),
                      duration_cast<milliseconds>(expected.without_window),
                      duration_cast<milliseconds>(expected.limit)});
}

}  // namespace e2e
