// Real NSIS installers, built with makensis and signed at test time, run
// through the real PARLEYNEST-Updater.exe: they read their payload from
// their own file, unpack it into their plug-ins folder and install it
// where the test says; the run leaves nothing in the temp folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

#include "wine_harness.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

constexpr char kSwitches[] = " /VERYSILENT /SUPPRESSMSGBOXES /NORESTART";
constexpr char kVersion[] = "0.1.17\n";
// The failure dialog, answered by a click on its one button.
const WindowAnswer kFailureDialog{480, 174, 420, 144, {}};

std::string trimmed(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

// A 32-bit program runs only where Wine's 32-bit side runs.
bool prefix_runs_32bit() {
  return fs::exists(wine_prefix() / "drive_c" / "windows" / "syswow64" / "kernel32.dll");
}

class NsisInstaller : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const Paths& s = paths();
    const fs::path out = s.work / "nsis";
    const fs::path scripts = s.fixtures / "nsis";
    fs::create_directories(out);
    write_file(out / "version.txt", kVersion);
    ASSERT_EQ(run({"bash", (s.fixtures / "make-certs.sh").string(), (s.work / "certs").string()}),
              0);
    const auto build = [&](const std::string& name, const std::string& script, Lines defines) {
      Lines argv{"makensis",
                 "-V1",
                 "-DOUT=" + (out / (name + ".unsigned")).string(),
                 "-DPAYLOAD=" + (out / "version.txt").string(),
                 "-DHOME_VAR=PN_FAKE_HOME",
                 "-DDEST_DIR=installed"};
      argv.insert(argv.end(), defines.begin(), defines.end());
      argv.push_back((scripts / script).string());
      ASSERT_EQ(run(argv), 0) << name;
      ASSERT_EQ(
          run({"bash", (s.fixtures / "sign.sh").string(), (s.work / "certs").string(), "nestworks",
               (out / (name + ".unsigned")).string(), (out / (name + ".exe")).string()}),
          0)
          << name;
    };
    build("one-stage-x86", "one-stage.nsi", {});
    // The 64-bit one also leaves a folder with a folder in it, and a
    // read-only file, beside itself.
    build("one-stage-amd64", "one-stage.nsi", {"-DAMD64", "-DLEAVE"});
    build("second-stage", "second-stage.nsi", {"-DAMD64"});
    build("two-stage", "two-stage.nsi",
          {"-DAMD64", "-DSECOND=" + (out / "second-stage.unsigned").string()});
    thumbprint_ = trimmed(read_file(s.work / "certs" / "nestworks.thumb"));
    subject_ = trimmed(read_file(s.work / "certs" / "nestworks.subject"));
  }

  void SetUp() override {
    dir_ = paths().work /
           ("nsis-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "home");
    fs::copy_file(paths().windows_bin / "fake_app.exe", dir_ / "app.exe");
    setenv("PN_FAKE_HOME", windows_path(dir_ / "home").c_str(), 1);
  }
  void TearDown() override { unsetenv("PN_NSIS_SECOND_EXIT"); }

  fs::path home() const { return dir_ / "home"; }
  fs::path installer() const { return dir_ / "setup.exe"; }

  // Runs the updater on the named installer; the messages of its log.
  Lines update(const std::string& name) {
    fs::copy_file(paths().work / "nsis" / (name + ".exe"), installer(),
                  fs::copy_options::overwrite_existing);
    fs::remove(dir_ / "u.log");
    const long long started = unix_now();
    const WatchedRun ran = run_watched(
        {paths().wine_run.string(), (paths().windows_bin / "PARLEYNEST-Updater.exe").string(),
         "--installer", windows_path(installer()), "--app-exe", windows_path(dir_ / "app.exe"),
         "--log", windows_path(dir_ / "u.log")},
        {kFailureDialog}, std::chrono::seconds(120));
    EXPECT_EQ(ran.exit_code, 0) << ran.describe();
    return log_messages(read_file(dir_ / "u.log"), started, unix_now());
  }

  Lines succeeded() const {
    return {"start installer=" + windows_path(installer()) +
                " pid=None app=" + windows_path(dir_ / "app.exe"),
            "signature ok subject=" + subject_ + " thumb=" + thumbprint_, "installer ok",
            "app restarted"};
  }

  // The payload is installed, the installer ran as the private copy with
  // the three switches, the download and the private folder are gone, and
  // the application was started again.
  void expect_installed() const {
    EXPECT_EQ(read_file(home() / "installed" / "version.txt"), kVersion);
    const std::string copy_folder = read_file(home() / "nsis.exedir");
    ASSERT_TRUE(copy_folder.find("\\PARLEYNEST-Updater-") != std::string::npos) << copy_folder;
    EXPECT_EQ(read_file(home() / "nsis.cmdline"),
              "\"" + copy_folder + "\\setup.exe\"" + std::string(kSwitches));
    EXPECT_FALSE(fs::exists(unix_path(copy_folder))) << copy_folder;
    EXPECT_FALSE(fs::exists(installer()));
    EXPECT_TRUE(wait_for_file(home() / "app.exe.runs", std::chrono::seconds(10)));
    EXPECT_TRUE(read_file(dir_ / "update-result.json")
                    .ends_with(",\"detail\":\"" + thumbprint_ + "\",\"ok\":true}"));
  }

  fs::path dir_;
  static inline std::string thumbprint_, subject_;
};

TEST_F(NsisInstaller, SixtyFourBitInstallsFromItsOwnFileAndWhatItLeavesGoesWithTheFolder) {
  EXPECT_EQ(update("one-stage-amd64"), succeeded());
  expect_installed();
}

TEST_F(NsisInstaller, ThirtyTwoBitInstallsFromItsOwnFile) {
  if (!prefix_runs_32bit())
    GTEST_SKIP() << "Wine runs no 32-bit program here (its 32-bit side is not installed, or the "
                    "kernel runs no 32-bit program)";
  EXPECT_EQ(update("one-stage-x86"), succeeded());
  expect_installed();
}

TEST_F(NsisInstaller, SecondStageReadsTheFirstStagesFileAndItsExitCodeIsPassedOn) {
  EXPECT_EQ(update("two-stage"), succeeded());
  expect_installed();

  fs::remove_all(home());
  fs::create_directories(home());
  setenv("PN_NSIS_SECOND_EXIT", "7", 1);
  const Lines failed = update("two-stage");
  ASSERT_EQ(failed.size(), 4u);
  EXPECT_EQ(failed[2], "failed: 설치 파일 종료 코드 7");
  EXPECT_FALSE(fs::exists(home() / "installed"));
  EXPECT_FALSE(fs::exists(installer()));
}

TEST_F(NsisInstaller, FoldersOfUpdatersThatNoLongerRunAreRemovedOnTheNextRun) {
  // A first run tells where the private folders go.
  ASSERT_EQ(update("one-stage-amd64"), succeeded());
  const fs::path temp = unix_path(read_file(home() / "nsis.exedir")).parent_path();
  ASSERT_TRUE(fs::is_directory(temp));

  // An updater that ended without cleaning up (its process is gone): a
  // folder, a read-only file and a link to a folder outside. And the
  // folder of a process that still runs.
  const fs::path pid_file = dir_ / "running.pid";
  // It runs until the test has looked, however long the run takes.
  const fs::path done = dir_ / "running.done";
  Background running({paths().wine_run.string(), (dir_ / "app.exe").string(), "--pid-file",
                      windows_path(pid_file), "--wait-for", windows_path(done)});
  ASSERT_TRUE(wait_for_file(pid_file, std::chrono::seconds(20)));
  const fs::path stale = temp / "PARLEYNEST-Updater-4000000000-0";
  const fs::path live = temp / ("PARLEYNEST-Updater-" + read_file(pid_file) + "-0");
  const fs::path outside = dir_ / "outside";
  fs::remove_all(stale);
  fs::create_directories(stale / "data" / "nested");
  fs::create_directories(live);
  fs::create_directories(outside);
  write_file(stale / "data" / "nested" / "left.txt", "x");
  write_file(stale / "setup.exe", "x");
  write_file(live / "setup.exe", "x");
  write_file(outside / "keep.txt", "x");
  fs::permissions(stale / "setup.exe", fs::perms::owner_read | fs::perms::group_read);
  fs::create_directory_symlink(outside, stale / "link");

  fs::remove_all(home());
  fs::create_directories(home());
  EXPECT_EQ(update("one-stage-amd64"), succeeded());
  EXPECT_FALSE(fs::exists(stale / "data"));
  EXPECT_FALSE(fs::exists(stale / "setup.exe"));
  EXPECT_EQ(read_file(outside / "keep.txt"), "x");
  EXPECT_TRUE(fs::exists(live / "setup.exe"));
  write_file(done, "done");
  fs::remove_all(live);
  fs::remove_all(stale);
}

}  // namespace
}  // namespace e2e
