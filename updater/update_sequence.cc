#include "update_sequence.h"

namespace updater {
namespace {

constexpr std::string_view kTitleKey = "pcLogin.pc.update.updaterTitle";
constexpr std::string_view kAppNameKey = "app.name";
constexpr std::string_view kFailedKey = "pcLogin.pc.update.updaterFailed";
constexpr std::string_view kConfirmKey = "common.confirm";
constexpr std::string_view kInstallerUnreadable = "설치 파일 경로를 읽을 수 없음";
constexpr std::string_view kAppUnreadable = "본체 경로를 읽을 수 없음";
constexpr std::array<std::string_view, 4> kStepKeys = {
    "pcLogin.pc.update.stepWait", "pcLogin.pc.update.stepVerify", "pcLogin.pc.update.stepInstall",
    "pcLogin.pc.update.stepRestart"};

class Run {
 public:
  Run(const UpdaterArgs& args, const RunLog& log, const UpdateServices& services)
      : args_(args), log_(log), services_(services) {}

  void go() {
    const std::string& installer = *args_.installer;
    const std::string& app = *args_.app_exe;
    log_.line("start installer=" + installer + " pid=" + pid_text(args_.pid) + " app=" + app);
    open_progress();

    const UpdateOutcome outcome = wait_verify_install(installer);
    if (log_.path() && services_.write_update_result)
      services_.write_update_result(*log_.path(), outcome);

    show_step(UpdateStep::Restart);
    progress_.reset();

    if (!outcome.ok) {
      log_.line("failed: " + outcome.text);
      report_failure();
    }

    if (args_.app_exe_unreadable)
      log_.line("app restart failed: " + std::string(kAppUnreadable));
    else if (auto restarted = services_.restart_app(app))
      log_.line("app restarted");
    else
      log_.line("app restart failed: " + restarted.error());

    // The installer that was held goes, by the name it was given, its
    // private copy with it; one that was never held goes by its path.
    if (held_)
      held_->delete_installer();
    else if (!args_.installer_unreadable)
      services_.delete_installer(installer);
    held_.reset();

    // Last, when nobody waits for it any more: no window, the application
    // already started.
    if (services_.remove_stale_private_folders) services_.remove_stale_private_folders();
  }

 private:
  UpdateOutcome wait_verify_install(const std::string& installer) {
    show_step(UpdateStep::Wait);
    if (args_.pid) {
      if (auto waited = services_.wait_for_app_exit(*args_.pid); !waited)
        return UpdateOutcome::failure(waited.error());
      log_.line("app exited");
    }

    show_step(UpdateStep::Verify);
    // A path that is not valid text is never used: not for what it might
    // name after its characters were replaced.
    if (args_.installer_unreadable)
      return UpdateOutcome::failure(std::string(kInstallerUnreadable));
    if (args_.app_exe_unreadable) return UpdateOutcome::failure(std::string(kAppUnreadable));

    // What is checked and what runs is the held file, whatever happens to
    // the path's folders meanwhile.
    auto held = services_.hold_installer(installer);
    if (!held) return UpdateOutcome::failure(held.error());
    held_ = std::move(*held);
    auto signer = services_.check_installer_signature(*held_, args_.thumbprint);
    if (!signer) return UpdateOutcome::failure(signer.error());
    log_.line("signature ok subject=" + signer->subject + " thumb=" + signer->thumbprint);

    show_step(UpdateStep::Install);
    if (auto installed = services_.run_installer(held_->path()); !installed)
      return UpdateOutcome::failure(installed.error());
    log_.line("installer ok");
    return UpdateOutcome::success(signer->thumbprint);
  }

  std::string text(std::string_view key) const {
    return services_.translate ? services_.translate(key) : std::string(key);
  }

  void open_progress() {
    if (!services_.build_progress_dialog) return;
    ProgressWindowTexts texts;
    for (std::size_t i = 0; i < kStepKeys.size(); ++i) texts.step_labels[i] = text(kStepKeys[i]);
    texts.title = text(kTitleKey);
    texts.app_name = text(kAppNameKey);
    if (services_.font_families) {
      auto [primary, secondary] = services_.font_families();
      texts.primary_font = std::move(primary);
      texts.secondary_font = std::move(secondary);
    }
    progress_ = services_.build_progress_dialog(texts);
  }

  void show_step(UpdateStep step) {
    if (!progress_) return;
    progress_->set_current_step(step);
    progress_->dispatch_pending_messages();
  }

  void report_failure() {
    if (!services_.show_message_dialog) return;
    const std::string title = text(kTitleKey);
    const std::string message = text(kFailedKey);
    const std::string button = text(kConfirmKey);
    services_.show_message_dialog(title, message, button);
  }

  const UpdaterArgs& args_;
  const RunLog& log_;
  const UpdateServices& services_;
  std::unique_ptr<ProgressView> progress_;
  std::unique_ptr<HeldInstaller> held_;
};

}  // namespace

std::string pid_text(const std::optional<std::uint32_t>& pid) {
  return pid ? "Some(" + std::to_string(*pid) + ")" : "None";
}

void run_update(const UpdaterArgs& args, const RunLog& log, const UpdateServices& services) {
  Run(args, log, services).go();
}

}  // namespace updater
