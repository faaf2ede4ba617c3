// The real PARLEYNEST-Updater.exe: a real application process to wait for,
// installers signed at build time, and the files a run leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>

#include "harness.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

constexpr char kSwitches[] = "/VERYSILENT /SUPPRESSMSGBOXES /NORESTART\n";

// The updater's windows: the progress window, and the failure dialog with
// its one button (80 x 28 at 380, 130), clicked in its middle.
constexpr int kProgressWidth = 460, kProgressHeight = 257;
constexpr int kDialogWidth = 480, kDialogHeight = 174;
constexpr int kDialogButtonX = 420, kDialogButtonY = 144;

class UpdaterRun : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    thumbprint_ = signer().thumbprint;
    subject_ = signer().subject;
    ASSERT_EQ(thumbprint_.size(), 40u) << paths().fixtures;
  }

  static fs::path signed_installer() { return paths().fixtures / "signed-installer.exe"; }

  void SetUp() override {
    dir_ = paths().work / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    remove_tree(dir_);
    fs::create_directories(dir_);
    fs::copy_file(paths().windows_bin / "fake_app.exe", app());
    fs::copy_file(signed_installer(), installer());
    // The installer runs from a private copy: it records its runs here.
    set_env("PN_FAKE_HOME", windows_path(dir_));
  }

  fs::path app() const { return dir_ / "app.exe"; }
  fs::path installer() const { return dir_ / "setup.exe"; }
  fs::path log() const { return dir_ / "updater.log"; }
  fs::path result() const { return dir_ / "update-result.json"; }
  std::string installer_runs() const { return read_bytes(dir_ / "setup.exe.runs"); }
  std::string app_runs() const { return read_bytes(dir_ / "app.exe.runs"); }

  // Runs the updater, or `command` that starts it, with the given
  // arguments and waits for its end; a failure dialog it shows is answered
  // by a click on its button. A window of another size, a dialog that stays
  // after its click, or a run that shows no window for a while (15 s once
  // one was shown, 60 s before the first) stops the run and fails the test
  // at once. The exit code; what the run showed is in
  // last_run_.
  int updater(const Lines& args,
              Lines argv = {windows_path(paths().windows_bin / "PARLEYNEST-Updater.exe")}) {
    argv.insert(argv.end(), args.begin(), args.end());
    run_title_ = title_for(args);
    started_ = unix_now();
    ExpectedWindows expected;
    expected.answers = {
        {kDialogWidth, kDialogHeight, kDialogButtonX, kDialogButtonY, on_failure_dialog_}};
    expected.shown = {{kProgressWidth, kProgressHeight}};
    last_run_ = run_checked(argv, expected);
    ended_ = unix_now();
    EXPECT_EQ(last_run_.stopped, "") << last_run_.describe();
    return last_run_.exit_code;
  }

  // The title of the windows: the catalog's, in the language of --locale.
  static std::string title_for(const Lines& args) {
    std::string locale = "ko";
    for (std::size_t i = 0; i + 1 < args.size(); ++i)
      if (args[i] == "--locale") locale = args[i + 1];
    for (char& c : locale) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (locale == "en-us" || locale == "en-gb") return "PARLEYNEST update";
    if (locale == "ja") return "PARLEYNESTアップデート";
    return "파랑둥지 업데이트";
  }

  // Every window of the last run carries its title; the failure dialog was
  // shown, and answered, exactly once when the outcome is a failure.
  void expect_windows(bool failed) const {
    SCOPED_TRACE(last_run_.describe());
    for (const WindowSeen& seen : last_run_.windows) EXPECT_EQ(seen.window.title, run_title_);
    EXPECT_EQ(last_run_.answered.size(), failed ? 1u : 0u);
    EXPECT_EQ(last_run_.of_size(kDialogWidth, kDialogHeight).size(), failed ? 1u : 0u);
  }

  Lines standard_args() const {
    return {"--installer", windows_path(installer()), "--app-exe", windows_path(app()),
            "--log",       windows_path(log())};
  }

  std::string start_line(const std::string& pid = "None") const {
    return "start installer=" + windows_path(installer()) + " pid=" + pid +
           " app=" + windows_path(app());
  }
  std::string signature_line() const {
    return "signature ok subject=" + subject_ + " thumb=" + thumbprint_;
  }

  Lines logged() const { return log_messages(read_bytes(log()), started_, ended_); }

  // The result file, checked byte for byte with its time read back.
  void expect_result(const std::string& detail_json, bool ok) const {
    const std::string text = read_bytes(result());
    ASSERT_TRUE(text.starts_with("{\"at\":\"t=")) << text;
    const std::string seconds = text.substr(9, text.find('"', 9) - 9);
    const long long at = std::stoll(seconds);
    EXPECT_GE(at, started_);
    EXPECT_LE(at, ended_);
    EXPECT_EQ(text, "{\"at\":\"t=" + std::to_string(at) + "\",\"detail\":" + detail_json +
                        ",\"ok\":" + (ok ? "true" : "false") + "}");
    expect_windows(!ok);
  }

  // Starts the application in the background, to run for stay_ms (counted
  // from when the updater's log has its first line, with `after_start`);
  // its process id.
  std::string start_app(const std::string& stay_ms, bool after_start = false) {
    const fs::path pid_file = dir_ / "app.pid";
    Lines argv{windows_path(app()), "--pid-file", windows_path(pid_file)};
    if (after_start) argv.insert(argv.end(), {"--wait-for", windows_path(log())});
    argv.insert(argv.end(), {"--stay-ms", stay_ms});
    running_app_ = std::make_unique<Background>(argv);
    EXPECT_TRUE(wait_for_file(pid_file, std::chrono::seconds(20)))
        << "the application did not start";
    return read_bytes(pid_file);
  }

  // The installer was refused with `failure`: logged and recorded, never
  // started.
  void expect_refused(const std::string& failure) const {
    EXPECT_EQ(logged(), (Lines{start_line(), "failed: " + failure, "app restarted"}));
    expect_result("\"" + failure + "\"", false);
    EXPECT_EQ(installer_runs(), "");
  }

  // The application was started again, with no arguments, exactly once.
  void expect_restarted(const std::string& earlier_runs = "") const {
    ASSERT_TRUE(wait_for_file(dir_ / "app.exe.runs", std::chrono::seconds(10)));
    for (int i = 0; i < 100 && app_runs() == earlier_runs; ++i) Sleep(50);
    EXPECT_EQ(app_runs(), earlier_runs + "\n");
  }

  fs::path dir_;
  long long started_ = 0, ended_ = 0;
  std::unique_ptr<Background> running_app_;
  WatchedRun last_run_;
  std::string run_title_;
  // Called when the failure dialog is first seen, before it is answered.
  std::function<void(const ScreenWindow&)> on_failure_dialog_;
  static inline std::string thumbprint_, subject_;
};

TEST_F(UpdaterRun, WithoutInstallerOrAppNothingHappens) {
  const std::string inst = windows_path(installer()), app_exe = windows_path(app()),
                    log_file = windows_path(log());
  for (const Lines& args : {Lines{}, Lines{"--installer", inst, "--log", log_file},
                            Lines{"--app-exe", app_exe, "--log", log_file, "--installer"}}) {
    EXPECT_EQ(updater(args), 0);
    EXPECT_TRUE(last_run_.windows.empty());
  }
  EXPECT_FALSE(fs::exists(log()));
  EXPECT_FALSE(fs::exists(result()));
  EXPECT_TRUE(fs::exists(installer()));
  Sleep(300);
  EXPECT_FALSE(fs::exists(dir_ / "app.exe.runs"));
}

TEST_F(UpdaterRun, FullRunWaitsForTheAppVerifiesInstallsAndRestarts) {
  const std::string pid = start_app("2000", true);
  const std::string first_run = app_runs();

  Lines args = standard_args();
  args.insert(args.end(), {"--pid", pid});
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(updater(args), 0);
  EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(1000));
  EXPECT_TRUE(running_app_->finished());

  EXPECT_EQ(logged(), (Lines{start_line("Some(" + pid + ")"), "app exited", signature_line(),
                             "installer ok", "app restarted"}));
  expect_result("\"" + thumbprint_ + "\"", true);
  EXPECT_EQ(installer_runs(), kSwitches);
  EXPECT_FALSE(fs::exists(installer()));
  expect_restarted(first_run);
}

TEST_F(UpdaterRun, FailingInstallerIsReportedAndTheAppStillRestarts) {
  write_bytes(dir_ / "setup.exe.behaviour", "--exit 3");
  EXPECT_EQ(updater(standard_args()), 0);
  EXPECT_EQ(logged(), (Lines{start_line(), signature_line(), "failed: 설치 파일 종료 코드 3",
                             "app restarted"}));
  expect_result("\"설치 파일 종료 코드 3\"", false);
  EXPECT_EQ(installer_runs(), kSwitches);
  EXPECT_FALSE(fs::exists(installer()));
  expect_restarted();
}

TEST_F(UpdaterRun, UnsignedInstallerIsNeverStartedAndIsDeleted) {
  fs::copy_file(paths().windows_bin / "fake_app.exe", installer(),
                fs::copy_options::overwrite_existing);
  EXPECT_EQ(updater(standard_args()), 0);
  expect_refused("Authenticode 검증 실패 (코드=0x800B0100)");
  EXPECT_FALSE(fs::exists(installer()));
  expect_restarted();
}

TEST_F(UpdaterRun, PinnedThumbprintMustMatch) {
  std::string lower = thumbprint_;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  Lines args = standard_args();
  args.insert(args.end(), {"--thumbprint", " " + lower + "\n"});
  EXPECT_EQ(updater(args), 0);
  EXPECT_EQ(logged(), (Lines{start_line(), signature_line(), "installer ok", "app restarted"}));
  expect_result("\"" + thumbprint_ + "\"", true);

  fs::copy_file(signed_installer(), installer());
  fs::remove(dir_ / "setup.exe.runs");
  fs::remove(log());
  const std::string wrong = thumbprint_.substr(0, 39) + (thumbprint_[39] == '0' ? "1" : "0");
  args = standard_args();
  args.insert(args.end(), {"--thumbprint", wrong});
  EXPECT_EQ(updater(args), 0);
  expect_refused("서명 지문이 다름(기대 " + wrong + " · 실제 " + thumbprint_ + ")");
  EXPECT_FALSE(fs::exists(installer()));
}

TEST_F(UpdaterRun, MissingApplicationIsLoggedAsRestartFailure) {
  Lines args = standard_args();
  args[3] = windows_path(dir_ / "no such app.exe");
  EXPECT_EQ(updater(args), 0);
  const Lines lines = logged();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[2], "installer ok");
  EXPECT_TRUE(lines[3].starts_with("app restart failed: ")) << lines[3];
  EXPECT_TRUE(lines[3].ends_with(" (os error 2)")) << lines[3];
  expect_result("\"" + thumbprint_ + "\"", true);
  EXPECT_FALSE(fs::exists(installer()));
}

TEST_F(UpdaterRun, WithoutLogNoFilesAreWrittenButEveryStepRuns) {
  EXPECT_EQ(updater({"--app-exe", windows_path(app()), "--installer", windows_path(installer())}),
            0);
  EXPECT_EQ(installer_runs(), kSwitches);
  EXPECT_FALSE(fs::exists(installer()));
  expect_restarted();
  Lines names;
  for (const auto& entry : fs::directory_iterator(dir_))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (Lines{"app.exe", "app.exe.runs", "setup.exe.runs"}));
  expect_windows(false);
}

TEST_F(UpdaterRun, LogInAFolderWithKoreanAndSpaces) {
  const fs::path folder = dir_ / path_of("업데이트 기록 폴더");
  fs::create_directories(folder);
  Lines args = standard_args();
  args[5] = windows_path(folder / "run log.txt");
  EXPECT_EQ(updater(args), 0);
  EXPECT_EQ(log_messages(read_bytes(folder / "run log.txt"), started_, ended_),
            (Lines{start_line(), signature_line(), "installer ok", "app restarted"}));
  const std::string text = read_bytes(folder / "update-result.json");
  EXPECT_TRUE(text.ends_with(",\"detail\":\"" + thumbprint_ + "\",\"ok\":true}")) << text;
  EXPECT_FALSE(fs::exists(log()));
  expect_windows(false);
}

// A reader that looks for the path it passed finds it: folders whose names
// begin with "n" or "r" after a backslash are logged as they are.
TEST_F(UpdaterRun, PathsAreLoggedAsTheyAre) {
  const fs::path folder = dir_ / "new" / "reports";
  fs::create_directories(folder);
  fs::rename(installer(), folder / "setup.exe");
  Lines args = standard_args();
  args[1] = windows_path(folder / "setup.exe");
  EXPECT_EQ(updater(args), 0);
  const std::string start = "start installer=" + windows_path(dir_) + "\\new\\reports\\setup.exe" +
                            " pid=None app=" + windows_path(app());
  EXPECT_EQ(logged(), (Lines{start, signature_line(), "installer ok", "app restarted"}));
  EXPECT_FALSE(fs::exists(folder / "setup.exe"));
}

TEST_F(UpdaterRun, DisplayLanguageDoesNotChangeWhatIsLoggedOrRecorded) {
  for (const char* locale : {"JA", "EN-gb"}) {
    SCOPED_TRACE(locale);
    fs::copy_file(signed_installer(), installer(), fs::copy_options::overwrite_existing);
    write_bytes(dir_ / "setup.exe.behaviour", "--exit 1");
    fs::remove(log());
    Lines args = standard_args();
    args.insert(args.end(), {"--locale", locale});
    EXPECT_EQ(updater(args), 0);
    EXPECT_EQ(logged(), (Lines{start_line(), signature_line(), "failed: 설치 파일 종료 코드 1",
                               "app restarted"}));
    expect_result("\"설치 파일 종료 코드 1\"", false);
    EXPECT_FALSE(fs::exists(installer()));
  }
}

TEST_F(UpdaterRun, ProgressWindowIsCentredAndStaysWhileTheInstallerRuns) {
  write_bytes(dir_ / "setup.exe.behaviour", "--stay-ms 4000");
  EXPECT_EQ(updater(standard_args()), 0);
  EXPECT_EQ(logged(), (Lines{start_line(), signature_line(), "installer ok", "app restarted"}));
  expect_windows(false);

  const std::vector<WindowSeen> progress = last_run_.of_size(kProgressWidth, kProgressHeight);
  ASSERT_EQ(progress.size(), 1u);
  ASSERT_EQ(last_run_.windows.size(), 1u);
  const RECT work = work_area();
  EXPECT_EQ(progress[0].window.x, work.left + (work.right - work.left - kProgressWidth) / 2);
  EXPECT_EQ(progress[0].window.y, work.top + (work.bottom - work.top - kProgressHeight) / 2);
  EXPECT_GE(progress[0].last - progress[0].first, std::chrono::milliseconds(2000));
}

TEST_F(UpdaterRun, FailedVerifyShowsTheDialogAfterTheProgressWindowAndRestartsOnceAnswered) {
  // The application stays a while after the run has started, so the
  // progress window is up while the run waits for it, however slowly the
  // updater started; then the unsigned installer fails the verify.
  const std::string pid = start_app("2500", true);
  const std::string first_run = app_runs();
  fs::copy_file(paths().windows_bin / "fake_app.exe", installer(),
                fs::copy_options::overwrite_existing);

  std::string runs_when_answered = "<not answered>";
  on_failure_dialog_ = [&](const ScreenWindow&) {
    Sleep(1000);
    runs_when_answered = app_runs();
  };
  Lines args = standard_args();
  args.insert(args.end(), {"--pid", pid, "--locale", "ja"});
  EXPECT_EQ(updater(args), 0);

  const std::string failure = "Authenticode 검증 실패 (코드=0x800B0100)";
  EXPECT_EQ(logged(), (Lines{start_line("Some(" + pid + ")"), "app exited", "failed: " + failure,
                             "app restarted"}));
  expect_result("\"" + failure + "\"", false);
  const std::vector<WindowSeen> progress = last_run_.of_size(kProgressWidth, kProgressHeight);
  const std::vector<WindowSeen> dialog = last_run_.of_size(kDialogWidth, kDialogHeight);
  ASSERT_EQ(progress.size(), 1u);
  ASSERT_EQ(dialog.size(), 1u);
  EXPECT_LT(progress[0].last, dialog[0].first) << last_run_.describe();
  const RECT work = work_area();
  EXPECT_EQ(dialog[0].window.x, work.left + (work.right - work.left - kDialogWidth) / 2);
  EXPECT_EQ(dialog[0].window.y, work.top + (work.bottom - work.top - kDialogHeight) / 2);
  // Nothing was started again while the dialog waited for its answer.
  EXPECT_EQ(runs_when_answered, first_run);
  EXPECT_EQ(installer_runs(), "");
  expect_restarted(first_run);
}

TEST_F(UpdaterRun, ConsoleInstallerRunsWithoutAConsoleWindow) {
  fs::copy_file(paths().fixtures / "signed-console-installer.exe", installer(),
                fs::copy_options::overwrite_existing);
  EXPECT_EQ(updater(standard_args()), 0);
  EXPECT_EQ(logged(), (Lines{start_line(), signature_line(), "installer ok", "app restarted"}));
  EXPECT_EQ(read_bytes(dir_ / "console-installer.seen"), "none\n");
}

TEST_F(UpdaterRun, RelativeAppIsTakenFromTheCurrentFolderAtTheStart) {
  const fs::path earlier = fs::current_path();
  fs::current_path(dir_);
  Lines args = standard_args();
  args[3] = "app.exe";
  const int code = updater(args);
  fs::current_path(earlier);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(logged(), (Lines{start_line(), signature_line(), "installer ok", "app restarted"}));
  expect_restarted();
}

// The user works in another program while the updater runs: neither the
// progress window nor the failure dialog takes the foreground from it.
TEST_F(UpdaterRun, WindowsNeverTakeTheForegroundFromTheProgramInUse) {
  for (const bool fails : {false, true}) {
    SCOPED_TRACE(fails ? "failure run" : "success run");
    const std::string name = fails ? "failure" : "success";
    const fs::path ready = dir_ / (name + ".ready"), taken = dir_ / (name + ".taken"),
                   stop = dir_ / (name + ".stop");
    Background bystander({windows_path(paths().windows_bin / "bystander.exe"), windows_path(ready),
                          windows_path(taken), windows_path(stop)});
    ASSERT_TRUE(wait_for_file(ready, std::chrono::seconds(20)))
        << "the bystander never had the foreground";
    // Either way the installer runs for 1.5 s, so the progress window is up
    // long enough to be seen under any load; in the failure run it then
    // fails.
    fs::copy_file(signed_installer(), installer(), fs::copy_options::overwrite_existing);
    write_bytes(dir_ / "setup.exe.behaviour", fails ? "--stay-ms 1500 --exit 3" : "--stay-ms 1500");
    // The click that answers the dialog may activate it: what counts is
    // before it.
    std::string taken_before_answer = "<not answered>";
    on_failure_dialog_ = [&](const ScreenWindow&) { taken_before_answer = read_bytes(taken); };
    EXPECT_EQ(updater(standard_args()), 0);
    expect_windows(fails);
    EXPECT_EQ(last_run_.of_size(kProgressWidth, kProgressHeight).size(), 1u);
    EXPECT_EQ(fails ? taken_before_answer : read_bytes(taken), "");
    write_bytes(stop, "stop");
  }
}

TEST_F(UpdaterRun, EnterAndEscLeaveTheFailureDialogOpen) {
  fs::copy_file(paths().windows_bin / "fake_app.exe", installer(),
                fs::copy_options::overwrite_existing);
  std::string focused, still_open;
  on_failure_dialog_ = [&](const ScreenWindow& dialog) {
    // The user clicks into the dialog, away from its button, and presses
    // the keys that close ordinary dialogs.
    click_at(dialog.x + 30, dialog.y + dialog.height - 20);
    for (int i = 0; i < 50 && focused != "1"; ++i) {
      Sleep(100);
      focused = std::to_string(GetForegroundWindow() == dialog.id);
    }
    press_key(VK_RETURN);
    press_key(VK_ESCAPE);
    Sleep(1000);
    still_open = IsWindowVisible(dialog.id) ? "open" : "gone";
  };
  EXPECT_EQ(updater(standard_args()), 0);
  EXPECT_EQ(focused, "1") << "the keys did not go to the dialog";
  EXPECT_EQ(still_open, "open");
  expect_refused("Authenticode 검증 실패 (코드=0x800B0100)");
}

// While the run is in its Verify step, the folder that holds the installer,
// or a folder link on its path, is swapped for one whose setup.exe is
// another program carrying the genuine signature block. Windows refuses to
// rename the folder of the held installer; Wine lets it be renamed, and the
// run must still install the genuine file.
class SwapAttack : public UpdaterRun {
 protected:
  void attack(bool through_link) {
    fs::create_directories(dir_ / "dl");
    fs::create_directories(dir_ / "evil");
    fs::copy_file(paths().fixtures / "large-installer.exe", dir_ / "dl" / "setup.exe");
    fs::copy_file(paths().fixtures / "grafted-intruder.exe", dir_ / "evil" / "setup.exe");
    std::vector<fs::path> swap{dir_ / "dl", dir_ / "dl.moved", dir_ / "evil"};
    fs::path path = dir_ / "dl" / "setup.exe";
    if (through_link) {
      ASSERT_TRUE(make_link(dir_ / "link", "dl", true));
      ASSERT_TRUE(make_link(dir_ / "evil-link", "evil", true));
      swap = {dir_ / "link", dir_ / "link.old", dir_ / "evil-link"};
      path = dir_ / "link" / "setup.exe";
    }
    Lines args = standard_args();
    args[1] = windows_path(path);
    SwapWhenHeld swapping(log(), swap[0], swap[1], swap[2]);
    EXPECT_EQ(updater(args), 0);
    const fs::path swapped = log().wstring() + L".swapped";
    if (swapping.swapped()) {
      // The swap took place before the run had ended.
      EXPECT_LT(write_time(swapped), write_time(result()));
    } else {
      EXPECT_FALSE(through_link || under_wine()) << "the swap was not done";
    }

    EXPECT_FALSE(fs::exists(dir_ / "intruder.ran"));
    EXPECT_EQ(installer_runs(), kSwitches);
    const std::string start =
        "start installer=" + windows_path(path) + " pid=None app=" + windows_path(app());
    EXPECT_EQ(logged(), (Lines{start, signature_line(), "installer ok", "app restarted"}));
    expect_result("\"" + thumbprint_ + "\"", true);
  }
};

TEST_F(SwapAttack, FolderRenamedDuringTheRun) { attack(false); }

TEST_F(SwapAttack, FolderLinkRetargetedDuringTheRun) { attack(true); }

// The download is a link to a file kept elsewhere; the application is
// started again from a folder that an updater which no longer runs (no
// process has its id) left behind, with a link to a file outside.
TEST_F(UpdaterRun, TheEndOfARunDeletesOnlyWhatIsItsOwnAndTheSweepComesLast) {
  const fs::path stale = fs::temp_directory_path() / "PARLEYNEST-Updater-999960-0";
  const fs::path kept = dir_ / "store" / "setup.exe";
  remove_tree(stale);
  fs::create_directories(stale);
  fs::create_directories(kept.parent_path());
  fs::copy_file(app(), stale / "app.exe");
  write_bytes(stale / "own.txt", "x");
  write_bytes(dir_ / "outside.txt", "keep");
  ASSERT_TRUE(make_link(stale / "link.txt", dir_ / "outside.txt", false));
  fs::rename(installer(), kept);
  ASSERT_TRUE(make_link(installer(), kept, false));
  Lines args = standard_args();
  args[3] = windows_path(stale / "app.exe");
  EXPECT_EQ(updater(args), 0);
  EXPECT_EQ(logged().back(), "app restarted");  // the sweep came after the restart
  EXPECT_EQ(installer_runs(), kSwitches);
  EXPECT_TRUE(read_bytes(kept) == read_bytes(signed_installer()));  // not the file behind the link
  EXPECT_EQ(read_bytes(dir_ / "outside.txt"), "keep");  // nor the one in the stale folder
  EXPECT_FALSE(fs::exists(stale / "own.txt"));          // which was swept
  remove_tree(stale);
}

TEST_F(UpdaterRun, PinThatIsNotValidTextRefusesTheInstaller) {
  Lines args = standard_args();
  args.insert(args.end(), {"--thumbprint", thumbprint_ + "{D800}"});
  EXPECT_EQ(updater(args, {windows_path(paths().windows_bin / "intruder.exe"), "start",
                           windows_path(paths().windows_bin / "PARLEYNEST-Updater.exe")}),
            0);
  expect_refused("서명 지문이 다름(기대 " + thumbprint_ + "\uFFFD · 실제 " + thumbprint_ + ")");
  EXPECT_FALSE(fs::exists(installer()));
}

TEST_F(UpdaterRun, InstallerHeldOpenForWritingByAnotherProgramIsRefused) {
  const fs::path ready = dir_ / "writer.ready", done = dir_ / "writer.done";
  Background writer({windows_path(paths().windows_bin / "intruder.exe"), "write-hold",
                     windows_path(installer()), windows_path(ready), windows_path(done)});
  for (int i = 0; i < 400 && !fs::exists(ready); ++i) Sleep(50);
  ASSERT_TRUE(fs::exists(ready));
  EXPECT_EQ(updater(standard_args()), 0);
  write_bytes(done, "done");
  // "설치 파일 잠금 실패: " + the text of a sharing violation.
  const Lines lines = logged();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_TRUE(lines[1].starts_with("failed: 설치 파일 잠금 실패: ")) << lines[1];
  EXPECT_TRUE(lines[1].ends_with(" (0x80070020)")) << lines[1];
  expect_refused(lines[1].substr(8));
}

TEST_F(UpdaterRun, DllBesideTheUpdaterIsNeverLoaded) {
  // The updater runs from a folder that others may write, with a
  // wintrust.dll planted beside it; an ordinary program there loads it.
  const fs::path downloads = dir_ / "downloads", marker = downloads / "planted-dll-loaded";
  fs::create_directories(downloads);
  for (const char* name : {"PARLEYNEST-Updater.exe", "dll_search_control.exe"})
    fs::copy_file(paths().windows_bin / name, downloads / name);
  fs::copy_file(paths().windows_bin / "planted" / "wintrust.dll", downloads / "wintrust.dll");
  fs::copy_file(paths().windows_bin / "fake_app.exe", installer(),
                fs::copy_options::overwrite_existing);
  const PlantedDllsFirst as_windows_does;
  { Background control({windows_path(downloads / "dll_search_control.exe")}); }
  ASSERT_TRUE(fs::remove(marker)) << "the control did not load the planted DLL";

  EXPECT_EQ(updater(standard_args(), {windows_path(downloads / "PARLEYNEST-Updater.exe")}), 0);
  EXPECT_FALSE(fs::exists(marker));
  // The system's trust provider refused the unsigned installer.
  expect_refused("Authenticode 검증 실패 (코드=0x800B0100)");
}

}  // namespace
}  // namespace e2e
