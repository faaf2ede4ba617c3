// Real NSIS installers, built with makensis and signed at build time, run
// through the real PARLEYNEST-Updater.exe: they read their payload from
// their own file, unpack it into their plug-ins folder and install it
// where the test says; the run leaves nothing in the temp folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "harness.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

constexpr char kSwitches[] = " /VERYSILENT /SUPPRESSMSGBOXES /NORESTART";
constexpr char kVersion[] = "0.1.17\n";
// The updater's progress window, left alone, and its failure dialog,
// answered by a click on its one button; no other window.
const ExpectedWindows kUpdaterWindows{.answers = {{480, 174, 420, 144, {}}},
                                      .shown = {{460, 257}},
                                      .limit = std::chrono::seconds(120)};

// A 32-bit program runs only where Wine's 32-bit side runs.
bool runs_32bit() {
  wchar_t folder[MAX_PATH] = L"";
  return GetSystemWow64DirectoryW(folder, MAX_PATH) &&
         fs::exists(fs::path(folder) / "kernel32.dll");
}

class NsisInstaller : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    thumbprint_ = signer().thumbprint;
    subject_ = signer().subject;
  }

  void SetUp() override {
    dir_ = paths().work /
           ("nsis-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    remove_tree(dir_);
    fs::create_directories(dir_ / "home");
    fs::copy_file(paths().windows_bin / "fake_app.exe", dir_ / "app.exe");
    set_env("PN_FAKE_HOME", windows_path(dir_ / "home"));
  }
  void TearDown() override { set_env("PN_NSIS_SECOND_EXIT", ""); }

  fs::path home() const { return dir_ / "home"; }
  fs::path installer() const { return dir_ / "setup.exe"; }

  // Runs the updater on the named installer; the messages of its log.
  Lines update(const std::string& name) {
    fs::copy_file(paths().fixtures / "nsis" / (name + ".exe"), installer(),
                  fs::copy_options::overwrite_existing);
    fs::remove(dir_ / "u.log");
    const long long started = unix_now();
    const WatchedRun ran =
        run_checked({windows_path(paths().windows_bin / "PARLEYNEST-Updater.exe"), "--installer",
                     windows_path(installer()), "--app-exe", windows_path(dir_ / "app.exe"),
                     "--log", windows_path(dir_ / "u.log")},
                    kUpdaterWindows);
    EXPECT_EQ(ran.exit_code, 0) << ran.describe();
    return log_messages(read_bytes(dir_ / "u.log"), started, unix_now());
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
    EXPECT_EQ(read_bytes(home() / "installed" / "version.txt"), kVersion);
    const std::string copy_folder = read_bytes(home() / "nsis.exedir");
    ASSERT_TRUE(copy_folder.find("\\PARLEYNEST-Updater-") != std::string::npos) << copy_folder;
    EXPECT_EQ(read_bytes(home() / "nsis.cmdline"),
              "\"" + copy_folder + "\\setup.exe\"" + std::string(kSwitches));
    EXPECT_FALSE(fs::exists(path_of(copy_folder))) << copy_folder;
    EXPECT_FALSE(fs::exists(installer()));
    EXPECT_TRUE(wait_for_file(home() / "app.exe.runs", std::chrono::seconds(10)));
    EXPECT_TRUE(read_bytes(dir_ / "update-result.json")
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
  if (!runs_32bit())
    GTEST_SKIP() << "Wine runs no 32-bit program here (its 32-bit side is not installed, or the "
                    "kernel runs no 32-bit program)";
  EXPECT_EQ(update("one-stage-x86"), succeeded());
  expect_installed();
}

TEST_F(NsisInstaller, SecondStageReadsTheFirstStagesFileAndItsExitCodeIsPassedOn) {
  EXPECT_EQ(update("two-stage"), succeeded());
  expect_installed();

  remove_tree(home());
  fs::create_directories(home());
  set_env("PN_NSIS_SECOND_EXIT", "7");
  const Lines failed = update("two-stage");
  ASSERT_EQ(failed.size(), 4u);
  EXPECT_EQ(failed[2], "failed: 설치 파일 종료 코드 7");
  EXPECT_FALSE(fs::exists(home() / "installed"));
  EXPECT_FALSE(fs::exists(installer()));
}

TEST_F(NsisInstaller, FoldersOfUpdatersThatNoLongerRunAreRemovedOnTheNextRun) {
  // A first run tells where the private folders go.
  ASSERT_EQ(update("one-stage-amd64"), succeeded());
  const fs::path temp = path_of(read_bytes(home() / "nsis.exedir")).parent_path();
  ASSERT_TRUE(fs::is_directory(temp));

  // An updater that ended without cleaning up (its process is gone): a
  // folder, a read-only file and a link to a folder outside. And the
  // folder of a process that still runs.
  const fs::path pid_file = dir_ / "running.pid";
  // It runs until the test has looked, however long the run takes.
  const fs::path done = dir_ / "running.done";
  Background running({windows_path(dir_ / "app.exe"), "--pid-file", windows_path(pid_file),
                      "--wait-for", windows_path(done)});
  ASSERT_TRUE(wait_for_file(pid_file, std::chrono::seconds(20)));
  const fs::path stale = temp / "PARLEYNEST-Updater-4000000000-0";
  const fs::path live = temp / ("PARLEYNEST-Updater-" + read_bytes(pid_file) + "-0");
  const fs::path outside = dir_ / "outside";
  remove_tree(stale);
  fs::create_directories(stale / "data" / "nested");
  fs::create_directories(live);
  fs::create_directories(outside);
  write_bytes(stale / "data" / "nested" / "left.txt", "x");
  write_bytes(stale / "setup.exe", "x");
  write_bytes(live / "setup.exe", "x");
  write_bytes(outside / "keep.txt", "x");
  fs::permissions(stale / "setup.exe", fs::perms::owner_read | fs::perms::group_read);
  ASSERT_TRUE(make_link(stale / "link", outside, true));

  remove_tree(home());
  fs::create_directories(home());
  EXPECT_EQ(update("one-stage-amd64"), succeeded());
  EXPECT_FALSE(fs::exists(stale / "data"));
  EXPECT_FALSE(fs::exists(stale / "setup.exe"));
  EXPECT_EQ(read_bytes(outside / "keep.txt"), "x");
  EXPECT_TRUE(fs::exists(live / "setup.exe"));
  write_bytes(done, "done");
  remove_tree(live);
  remove_tree(stale);
}

}  // namespace
}  // namespace e2e
