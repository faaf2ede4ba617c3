#pragma once
// Runs the built Windows programs under Wine from a native test: scratch
// folders, Windows paths for them, and child processes.

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
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

// The messages of a run log with the "t=<seconds> " part checked and cut.
std::vector<std::string> log_messages(const std::string& log, long long not_before,
                                      long long not_after);

long long unix_now();

}  // namespace e2e
