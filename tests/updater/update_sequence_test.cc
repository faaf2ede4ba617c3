// The order of the steps, what each failure skips, and what the run leaves
// behind, with every system service replaced by a recording fake.
#include "update_sequence.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace updater {
namespace {

struct Recorder {
  std::vector<std::string> calls;
  std::optional<std::string> wait_error, verify_error, install_error, restart_error;
  std::optional<UpdateOutcome> written;
  bool held_during_verify = false, held_during_install = false;
  int holds_alive = 0;
  bool with_window = true;
  std::optional<ProgressWindowTexts> progress_texts;
};

class FakeProgress : public ProgressView {
 public:
  explicit FakeProgress(Recorder& r) : r_(r) {}
  ~FakeProgress() override { r_.calls.push_back("progress closed"); }
  void set_current_step(UpdateStep step) override {
    r_.calls.push_back("step " + std::to_string(static_cast<int>(step)));
  }
  void dispatch_pending_messages() override { r_.calls.push_back("dispatch"); }

 private:
  Recorder& r_;
};

// The held installer, named apart so that the calls show which file was
// checked and started.
class FakeHeld : public HeldInstaller {
 public:
  FakeHeld(Recorder& r, std::string_view installer)
      : r_(r), path_("held:" + std::string(installer)) {
    ++r_.holds_alive;
  }
  ~FakeHeld() override {
    --r_.holds_alive;
    r_.calls.push_back("release");
  }
  std::string_view path() const override { return path_; }
  void* file() const override { return nullptr; }
  void delete_installer() override { r_.calls.push_back("delete held"); }

 private:
  Recorder& r_;
  std::string path_;
};

UpdateServices fake_services(Recorder& r) {
  UpdateServices s;
  s.remove_stale_private_folders = [&r] { r.calls.push_back("remove stale"); };
  s.wait_for_app_exit = [&r](std::uint32_t pid) -> std::expected<void, std::string> {
    r.calls.push_back("wait " + std::to_string(pid));
    if (r.wait_error) return std::unexpected(*r.wait_error);
    return {};
  };
  s.hold_installer = [&r](std::string_view installer)
      -> std::expected<std::unique_ptr<HeldInstaller>, std::string> {
    r.calls.push_back("hold " + std::string(installer));
    return std::make_unique<FakeHeld>(r, installer);
  };
  s.check_installer_signature = [&r](const HeldInstaller& installer,
                                     const std::optional<std::string>& pin)
      -> std::expected<win_common::SignerIdentity, std::string> {
    r.calls.push_back("verify " + std::string(installer.path()) + " pin=" + pin.value_or("-"));
    r.held_during_verify = r.holds_alive > 0;
    if (r.verify_error) return std::unexpected(*r.verify_error);
    return win_common::SignerIdentity{"CN=Test, O=NESTWORKS", std::string(40, 'C')};
  };
  s.run_installer = [&r](std::string_view installer) -> std::expected<void, std::string> {
    r.calls.push_back("install " + std::string(installer));
    r.held_during_install = r.holds_alive > 0;
    if (r.install_error) return std::unexpected(*r.install_error);
    return {};
  };
  s.restart_app = [&r](std::string_view app) -> std::expected<void, std::string> {
    r.calls.push_back("restart " + std::string(app));
    if (r.restart_error) return std::unexpected(*r.restart_error);
    return {};
  };
  s.delete_installer = [&r](std::string_view installer) {
    r.calls.push_back("delete " + std::string(installer));
  };
  s.write_update_result = [&r](std::string_view log_path, const UpdateOutcome& outcome) {
    r.calls.push_back("result " + std::string(log_path));
    r.written = outcome;
  };
  s.translate = [](std::string_view key) { return "T(" + std::string(key) + ")"; };
  s.font_families = [] { return std::pair<std::string, std::string>{"Primary", "Secondary"}; };
  s.build_progress_dialog =
      [&r](const ProgressWindowTexts& texts) -> std::unique_ptr<ProgressView> {
    r.progress_texts = texts;
    if (!r.with_window) return nullptr;
    r.calls.push_back("progress open");
    return std::make_unique<FakeProgress>(r);
  };
  s.show_message_dialog = [&r](std::string_view title, std::string_view message,
                               std::string_view button) {
    r.calls.push_back("dialog " + std::string(title) + " | " + std::string(message) + " | " +
                      std::string(button));
  };
  return s;
}

class UpdateRun : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ =
        std::filesystem::temp_directory_path() /
        ("pn-seq-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    args_.installer = "C:\\t\\setup.exe";
    args_.app_exe = "C:\\a\\app.exe";
    args_.pid = 4321;
    args_.log_path = (dir_ / "u.log").string();
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  void run() {
    const UpdateServices s = fake_services(r_);
    run_update(args_, RunLog(args_.log_path), s);
  }

  // The log's messages without their timestamps.
  std::vector<std::string> log_messages() const {
    std::vector<std::string> out;
    std::ifstream in(dir_ / "u.log", std::ios::binary);
    for (std::string line; std::getline(in, line);) out.push_back(line.substr(line.find(' ') + 1));
    return out;
  }

  std::filesystem::path dir_;
  UpdaterArgs args_;
  Recorder r_;
};

using Calls = std::vector<std::string>;

TEST_F(UpdateRun, SuccessWalksEveryStepInOrder) {
  args_.thumbprint = "cc cc";
  run();
  EXPECT_EQ(r_.calls,
            (Calls{"progress open", "step 0", "dispatch", "wait 4321", "step 1", "dispatch",
                   "hold C:\\t\\setup.exe", "verify held:C:\\t\\setup.exe pin=cc cc", "step 2",
                   "dispatch", "install held:C:\\t\\setup.exe", "result " + *args_.log_path,
                   "step 3", "dispatch", "progress closed", "restart C:\\a\\app.exe", "delete held",
                   "release", "remove stale"}));
  EXPECT_EQ(
      log_messages(),
      (Calls{"start installer=C:\\t\\setup.exe pid=Some(4321) app=C:\\a\\app.exe", "app exited",
             "signature ok subject=CN=Test, O=NESTWORKS thumb=" + std::string(40, 'C'),
             "installer ok", "app restarted"}));
  ASSERT_TRUE(r_.written);
  EXPECT_TRUE(r_.written->ok);
  EXPECT_EQ(r_.written->text, std::string(40, 'C'));
  EXPECT_TRUE(r_.held_during_verify);
  EXPECT_TRUE(r_.held_during_install);
}

TEST_F(UpdateRun, ProgressDialogGetsTitleNameFontsAndLabels) {
  run();
  ASSERT_TRUE(r_.progress_texts);
  EXPECT_EQ(r_.progress_texts->title, "T(pcLogin.pc.update.updaterTitle)");
  EXPECT_EQ(r_.progress_texts->app_name, "T(app.name)");
  EXPECT_EQ(r_.progress_texts->primary_font, "Primary");
  EXPECT_EQ(r_.progress_texts->secondary_font, "Secondary");
  EXPECT_EQ(r_.progress_texts->step_labels,
            (std::array<std::string, 4>{
                "T(pcLogin.pc.update.stepWait)", "T(pcLogin.pc.update.stepVerify)",
                "T(pcLogin.pc.update.stepInstall)", "T(pcLogin.pc.update.stepRestart)"}));
}

TEST_F(UpdateRun, WaitFailureSkipsVerifyAndInstallButRestartsAndDeletes) {
  r_.wait_error = "본체(pid=4321) 종료 대기 실패: 30초 안에 끝나지 않음";
  run();
  EXPECT_EQ(
      r_.calls,
      (Calls{"progress open", "step 0", "dispatch", "wait 4321", "result " + *args_.log_path,
             "step 3", "dispatch", "progress closed",
             "dialog T(pcLogin.pc.update.updaterTitle) | T(pcLogin.pc.update.updaterFailed) | "
             "T(common.confirm)",
             "restart C:\\a\\app.exe", "delete C:\\t\\setup.exe", "remove stale"}));
  EXPECT_EQ(log_messages(),
            (Calls{"start installer=C:\\t\\setup.exe pid=Some(4321) app=C:\\a\\app.exe",
                   "failed: " + *r_.wait_error, "app restarted"}));
  ASSERT_TRUE(r_.written);
  EXPECT_FALSE(r_.written->ok);
  EXPECT_EQ(r_.written->text, *r_.wait_error);
}

TEST_F(UpdateRun, VerifyFailureNeverRunsTheInstaller) {
  r_.verify_error = "Authenticode 검증 실패 (코드=0x800B0100)";
  run();
  for (const std::string& call : r_.calls) EXPECT_FALSE(call.starts_with("install")) << call;
  EXPECT_EQ(log_messages(),
            (Calls{"start installer=C:\\t\\setup.exe pid=Some(4321) app=C:\\a\\app.exe",
                   "app exited", "failed: " + *r_.verify_error, "app restarted"}));
  EXPECT_EQ(r_.written->text, *r_.verify_error);
  EXPECT_EQ(Calls(r_.calls.end() - 2, r_.calls.end()), (Calls{"release", "remove stale"}));
}

TEST_F(UpdateRun, InstallFailureAndRestartFailureAreBothLogged) {
  r_.install_error = "설치 파일 종료 코드 1";
  r_.restart_error = "File not found. (os error 2)";
  run();
  EXPECT_EQ(
      log_messages(),
      (Calls{"start installer=C:\\t\\setup.exe pid=Some(4321) app=C:\\a\\app.exe", "app exited",
             "signature ok subject=CN=Test, O=NESTWORKS thumb=" + std::string(40, 'C'),
             "failed: 설치 파일 종료 코드 1", "app restart failed: File not found. (os error 2)"}));
  EXPECT_FALSE(r_.written->ok);
  EXPECT_EQ(Calls(r_.calls.end() - 2, r_.calls.end()), (Calls{"release", "remove stale"}));
}

TEST_F(UpdateRun, NoPidNoLogNoWindow) {
  args_.pid.reset();
  args_.log_path.reset();
  r_.with_window = false;
  r_.install_error = "설치 파일 종료 코드 2";
  run();
  EXPECT_EQ(
      r_.calls,
      (Calls{"hold C:\\t\\setup.exe", "verify held:C:\\t\\setup.exe pin=-",
             "install held:C:\\t\\setup.exe",
             "dialog T(pcLogin.pc.update.updaterTitle) | T(pcLogin.pc.update.updaterFailed) | "
             "T(common.confirm)",
             "restart C:\\a\\app.exe", "delete held", "release", "remove stale"}));
  EXPECT_FALSE(r_.written);
  EXPECT_TRUE(std::filesystem::is_empty(dir_));
}

TEST_F(UpdateRun, UnreadablePathsFailVisiblyAndAreNeverUsed) {
  const std::string dialog =
      "dialog T(pcLogin.pc.update.updaterTitle) | T(pcLogin.pc.update.updaterFailed) | "
      "T(common.confirm)";
  const auto check = [&](bool installer, const std::string& failure,
                         const std::string& restart_line, const std::string& last_call) {
    r_ = Recorder{};
    r_.with_window = false;
    std::filesystem::remove(dir_ / "u.log");
    args_.installer_unreadable = installer;
    args_.app_exe_unreadable = !installer;
    run();
    // Nothing is held, checked or run; an unreadable path is neither
    // started nor deleted.
    EXPECT_EQ(r_.calls,
              (Calls{"wait 4321", "result " + *args_.log_path, dialog, last_call, "remove stale"}));
    EXPECT_EQ(log_messages(),
              (Calls{"start installer=C:\\t\\setup.exe pid=Some(4321) app=C:\\a\\app.exe",
                     "app exited", "failed: " + failure, restart_line}));
    EXPECT_EQ(r_.written->text, failure);
  };
  check(true, "설치 파일 경로를 읽을 수 없음", "app restarted", "restart C:\\a\\app.exe");
  check(false, "본체 경로를 읽을 수 없음", "app restart failed: 본체 경로를 읽을 수 없음",
        "delete C:\\t\\setup.exe");
}

TEST_F(UpdateRun, StartLineShowsNoneWithoutPid) {
  args_.pid.reset();
  run();
  EXPECT_EQ(log_messages().front(), "start installer=C:\\t\\setup.exe pid=None app=C:\\a\\app.exe");
  EXPECT_EQ(log_messages()[1].rfind("signature ok", 0), 0u);
}

}  // namespace
}  // namespace updater
