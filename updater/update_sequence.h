#pragma once
// The four steps of an update run, in order: wait for the application to
// end, verify the installer, run it, start the application again.

#include <array>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "held_installer.h"
#include "options.h"
#include "outcome.h"
#include "run_log.h"
#include "win_common/signer_identity.h"

namespace updater {

// What the progress window shows, in the run's language: its title, the
// application's name and the four step labels, and the font families to
// draw them in.
struct ProgressWindowTexts {
  std::string title;
  std::string app_name;
  std::string primary_font;
  std::string secondary_font;
  std::array<std::string, 4> step_labels;
};

// The progress window as the run sees it; releasing it closes the window.
class ProgressView {
 public:
  virtual ~ProgressView() = default;
  virtual void set_current_step(UpdateStep step) = 0;
  virtual void dispatch_pending_messages() = 0;
};

// What the run needs from the system. Each failure is already one line of
// text. The window side may be left empty: the run then goes on without.
struct UpdateServices {
  // Removes what updaters that no longer run left behind (their private
  // folders), at the very end of the run; may be empty.
  std::function<void()> remove_stale_private_folders;
  std::function<std::expected<void, std::string>(std::uint32_t pid)> wait_for_app_exit;
  // Holds the installer against change from before its check until the
  // end of the run; what it gives is all the check reads and all that is
  // started.
  std::function<std::expected<std::unique_ptr<HeldInstaller>, std::string>(
      std::string_view installer)>
      hold_installer;
  std::function<std::expected<win_common::SignerIdentity, std::string>(
      const HeldInstaller& installer, const std::optional<std::string>& pinned_thumbprint)>
      check_installer_signature;
  std::function<std::expected<void, std::string>(std::string_view installer)> run_installer;
  std::function<std::expected<void, std::string>(std::string_view app)> restart_app;
  // Deletes an installer that was never held: the name given, never what
  // a link there leads to.
  std::function<void(std::string_view installer)> delete_installer;
  std::function<void(std::string_view log_path, const UpdateOutcome& outcome)> write_update_result;

  // Texts of the windows, by key, in the run's language.
  std::function<std::string(std::string_view key)> translate;
  // The primary and the secondary font family of the run's language.
  std::function<std::pair<std::string, std::string>()> font_families;
  std::function<std::unique_ptr<ProgressView>(const ProgressWindowTexts&)> build_progress_dialog;
  std::function<void(std::string_view title, std::string_view message, std::string_view button)>
      show_message_dialog;
};

// "Some(4321)" or "None".
std::string pid_text(const std::optional<std::uint32_t>& pid);

void run_update(const UpdaterArgs& args, const RunLog& log, const UpdateServices& services);

}  // namespace updater
