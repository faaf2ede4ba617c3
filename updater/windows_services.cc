#include "windows_services.h"

#include "held_installer.h"
#include "i18n/catalog.h"
#include "nestui_kit/dialogs.h"
#include "nestui_kit/progress_dialog.h"
#include "private_folder.h"
#include "process_control.h"
#include "result_file.h"
#include "win_common/signer_identity.h"

namespace updater {
namespace {

template <typename T>
std::expected<void, std::string> as_text(const std::expected<T, ProcessError>& result) {
  if (result) return {};
  return std::unexpected(error_text(result.error()));
}

// The kit's progress dialog as the run sees it.
class KitProgressView final : public ProgressView {
 public:
  explicit KitProgressView(nestui_kit::ProgressDialog dialog) : dialog_(std::move(dialog)) {}
  void set_current_step(UpdateStep step) override {
    nestui_kit::set_current_step(dialog_, static_cast<std::size_t>(step));
  }
  void dispatch_pending_messages() override { nestui_kit::dispatch_pending_messages(); }

 private:
  nestui_kit::ProgressDialog dialog_;
};

std::unique_ptr<ProgressView> build_progress_view(const ProgressWindowTexts& texts) {
  auto dialog = nestui_kit::build_progress_dialog(
      {texts.title, texts.app_name, texts.primary_font, texts.secondary_font,
       std::vector<std::string>(texts.step_labels.begin(), texts.step_labels.end())});
  // A window that cannot be built is dropped: the run goes on without one.
  if (!dialog) return nullptr;
  return std::make_unique<KitProgressView>(std::move(*dialog));
}

}  // namespace

UpdateServices windows_services(i18n::language_index language) {
  UpdateServices s;
  s.remove_stale_private_folders = remove_stale_private_folders;
  s.wait_for_app_exit = [](std::uint32_t pid) {
    return as_text(wait_for_app_exit(pid, kAppExitLimit));
  };
  s.hold_installer = hold_installer;
  s.check_installer_signature = [](const HeldInstaller& installer,
                                   const std::optional<std::string>& pinned) {
    return win_common::check_installer_signature(installer.file(), installer.path(), pinned);
  };
  s.run_installer = [](std::string_view installer) { return as_text(run_installer(installer)); };
  s.restart_app = [](std::string_view app) { return restart_app(app); };
  s.delete_installer = delete_download;
  s.write_update_result = [](std::string_view log_path, const UpdateOutcome& outcome) {
    write_update_result(log_path, outcome);
  };
  s.translate = [language](std::string_view key) { return i18n::translate(language, key); };
  s.font_families = [] {
    return std::pair{i18n::primary_font_family(), i18n::secondary_font_family()};
  };
  s.build_progress_dialog = build_progress_view;
  s.show_message_dialog = [](std::string_view title, std::string_view message,
                             std::string_view button) {
    nestui_kit::show_message_dialog(title, message, button);
  };
  return s;
}

}  // namespace updater
