#include "wine_harness.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
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

int spawn(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return -1;
  return pid;
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

int run(const std::vector<std::string>& argv) {
  const int pid = spawn(argv);
  if (pid < 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) < 0 || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

Background::Background(const std::vector<std::string>& argv) : pid_(spawn(argv)) {}

Background::~Background() {
  if (pid_ <= 0) return;
  for (int i = 0; i < 200 && !finished(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
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

}  // namespace e2e
