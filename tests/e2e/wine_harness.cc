#include "wine_harness.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <map>
#include <memory>
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
// are dropped; with in_fd its standard input comes from there.
int spawn(const std::vector<std::string>& argv, int out_fd = -1, int in_fd = -1) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (out_fd >= 0) {
    posix_spawn_file_actions_adddup2(&actions, out_fd, STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  }
  if (in_fd >= 0) posix_spawn_file_actions_adddup2(&actions, in_fd, STDIN_FILENO);
  pid_t pid = -1;
  const int error = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return error == 0 ? pid : -1;
}

int exit_code_of(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

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

namespace {

// The helper that runs a Windows program for a watched run, under Wine
// (tests/e2e/e2e_driver.cc): the program's windows come as lines on its
// output, commands go to its input.
class Driver {
 public:
  // argv: scripts/wine-run, the program (a Unix path), its arguments.
  explicit Driver(const std::vector<std::string>& argv) {
    if (argv.size() < 2 || argv[0] != paths().wine_run.string()) return;
    std::vector<std::string> driver{argv[0], (paths().windows_bin / "e2e_driver.exe").string(),
                                    windows_path(argv[1])};
    driver.insert(driver.end(), argv.begin() + 2, argv.end());
    int to[2], from[2];
    // A command written after the driver has gone fails instead of ending
    // the test.
    signal(SIGPIPE, SIG_IGN);
    if (pipe2(to, O_CLOEXEC) != 0) return;
    if (pipe2(from, O_CLOEXEC) != 0) {
      close(to[0]);
      close(to[1]);
      return;
    }
    pid_ = spawn(driver, from[1], to[0]);
    close(to[0]);
    close(from[1]);
    in_ = to[1];
    out_ = from[0];
  }
  ~Driver() {
    if (pid_ > 0 && !exited_) stop();
    if (pid_ > 0) {
      for (int i = 0; i < 100 && waitpid(pid_, nullptr, WNOHANG) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (in_ >= 0) close(in_);
    if (out_ >= 0) close(out_);
  }
  Driver(const Driver&) = delete;
  Driver& operator=(const Driver&) = delete;

  bool started() const { return pid_ > 0; }
  // Its output ended.
  bool ended() const { return ended_ && events_.empty(); }

  // The next event (show, move, hide, screen, exit), waiting up to `wait`.
  std::optional<std::string> event(std::chrono::milliseconds wait) {
    std::optional<std::string> next;
    if (events_.empty()) {
      next = line(wait);
    } else {
      next = std::move(events_.front());
      events_.pop_front();
    }
    if (next && next->starts_with("exit ")) exited_ = true;
    return next;
  }

  // Sends a command; its answer (empty when none came within 20 s). The
  // events that come meanwhile are kept for event().
  std::string ask(const std::string& command) {
    const std::string text = command + "\n";
    if (in_ < 0 || write(in_, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
      return "";
    while (const auto answer = line(std::chrono::seconds(20))) {
      static const std::set<std::string> kEvents{"show", "move", "hide", "screen", "exit"};
      if (!kEvents.contains(answer->substr(0, answer->find(' ')))) return *answer;
      events_.push_back(*answer);
    }
    return "";
  }

  // Ends every process of the run.
  void stop() {
    if (ask("stop") != "done" && pid_ > 0) kill(pid_, SIGKILL);
  }

 private:
  std::optional<std::string> line(std::chrono::milliseconds wait) {
    for (;;) {
      if (const std::size_t end = buffer_.find('\n'); end != std::string::npos) {
        std::string line = buffer_.substr(0, end);
        buffer_.erase(0, end + 1);
        return line;
      }
      pollfd ready{out_, POLLIN, 0};
      if (ended_ || out_ < 0 || poll(&ready, 1, static_cast<int>(wait.count())) <= 0)
        return std::nullopt;
      char chunk[4096];
      const ssize_t n = read(out_, chunk, sizeof chunk);
      if (n <= 0) ended_ = n == 0 || errno != EINTR;
      if (n > 0) buffer_.append(chunk, static_cast<std::size_t>(n));
    }
  }

  int pid_ = -1, in_ = -1, out_ = -1;
  bool ended_ = false, exited_ = false;
  std::string buffer_;
  std::deque<std::string> events_;
};

// The driver of the run being watched, for the answers' commands.
Driver* g_driver = nullptr;
std::optional<std::pair<int, int>> g_screen;

}  // namespace

std::optional<std::pair<int, int>> screen_size() {
  if (!g_screen) {
    const auto text = output_of(
        {paths().wine_run.string(), (paths().windows_bin / "e2e_driver.exe").string()}, 60);
    int width = 0, height = 0;
    if (text && std::sscanf(text->c_str(), "screen %d %d", &width, &height) == 2)
      g_screen = std::pair{width, height};
  }
  return g_screen;
}

bool click_at(int x, int y) {
  return g_driver &&
         g_driver->ask("click " + std::to_string(x) + " " + std::to_string(y)) == "done";
}

bool press_key(const std::string& key) { return g_driver && g_driver->ask("key " + key) == "done"; }

std::string foreground_window() {
  const std::string answer = g_driver ? g_driver->ask("foreground") : "";
  return answer.starts_with("foreground ") ? answer.substr(11) : "";
}

bool window_visible(const std::string& id) {
  return g_driver && g_driver->ask("visible " + id) == "visible 1";
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

// Reads one event of the driver into the run: a window shown, moved or
// hidden (`visible`: those on screen, in order of showing), the screen's
// size, or the program's exit code.
void take_event(const std::string& line, std::chrono::milliseconds since_start,
                std::vector<ScreenWindow>& visible, WatchedRun& result,
                std::optional<int>& exit_code) {
  std::istringstream in(line);
  std::string kind;
  in >> kind;
  if (kind == "exit") {
    int code = -1;
    in >> code;
    exit_code = code;
    return;
  }
  if (kind == "screen") {
    int width = 0, height = 0;
    if (in >> width >> height) g_screen = std::pair{width, height};
    return;
  }
  ScreenWindow w;
  in >> w.id;
  const auto same = [&](const auto& v) { return v.id == w.id; };
  auto on_screen = std::find_if(visible.begin(), visible.end(), same);
  if (kind == "hide") {
    if (on_screen != visible.end()) visible.erase(on_screen);
    return;
  }
  in >> w.x >> w.y >> w.width >> w.height;
  if (kind == "show") {
    std::getline(in >> std::ws, w.title);
    if (on_screen == visible.end()) on_screen = visible.insert(visible.end(), w);
  } else if (kind != "move" || on_screen == visible.end()) {
    return;
  }
  w.title = on_screen->title;
  *on_screen = w;
  auto seen = std::find_if(result.windows.begin(), result.windows.end(),
                           [&](const WindowSeen& s) { return s.window.id == w.id; });
  if (seen == result.windows.end())
    result.windows.push_back({w, since_start, since_start});
  else
    seen->window = w;
}

WatchedRun watch(const std::vector<std::string>& argv, const WatchRules& rules) {
  using namespace std::chrono;
  WatchedRun result;
  const auto start = steady_clock::now();
  Driver driver(argv);
  if (!driver.started()) {
    result.stopped = "could not start " + argv.front();
    return result;
  }
  g_driver = &driver;
  const std::unique_ptr<Driver*, void (*)(Driver**)> forget(&g_driver,
                                                            [](Driver** d) { *d = nullptr; });
  const auto stop = [&](std::string why) {
    driver.stop();
    result.stopped = std::move(why);
    return result;
  };
  std::vector<ScreenWindow> visible;                        // in order of showing
  std::map<std::string, steady_clock::time_point> clicked;  // last click per window
  auto last_window = start;
  std::optional<int> exit_code;
  while (!exit_code) {
    if (steady_clock::now() - start > rules.limit)
      return stop("still running after " + seconds_text(rules.limit));
    // What the driver told since the last look, then the answers.
    for (auto line = driver.event(milliseconds(50)); line && !exit_code;
         line = driver.event(milliseconds(0)))
      take_event(*line, duration_cast<milliseconds>(steady_clock::now() - start), visible, result,
                 exit_code);
    if (!exit_code && driver.ended()) return stop("the driver ended before the program");
    const auto now = steady_clock::now();
    const auto since_start = duration_cast<milliseconds>(now - start);
    const auto& windowless_limit =
        result.windows.empty() ? rules.first_window_within : rules.without_window;
    if (!visible.empty())
      last_window = now;
    else if (windowless_limit && now - last_window > *windowless_limit)
      return stop("no window of the run on screen for " + seconds_text(*windowless_limit));
    for (const ScreenWindow& w : visible)
      for (WindowSeen& seen : result.windows)
        if (seen.window.id == w.id) seen.last = since_start;
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
  }
  result.exit_code = *exit_code;
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
