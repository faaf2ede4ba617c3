#include "windows_services.h"

#include "file_io.h"
#include "process_control.h"
#include "result_file.h"

namespace updater {
namespace {

template <typename T>
std::expected<void, std::string> as_text(const std::expected<T, ProcessError>& result) {
  if (result) return {};
  return std::unexpected(error_text(result.error()));
}

}  // namespace

UpdateServices windows_services() {
  UpdateServices s;
  s.wait_for_app_exit = [](std::uint32_t pid) {
    return as_text(wait_for_app_exit(pid, kAppExitLimit));
  };
  s.run_installer = [](std::string_view installer) {
    return as_text(run_installer(installer));
  };
  s.restart_app = [](std::string_view app) { return restart_app(app); };
  s.delete_installer = [](std::string_view installer) { delete_file(installer); };
  s.write_update_result = [](std::string_view log_path, const UpdateOutcome& outcome) {
    write_update_result(log_path, outcome);
  };
  return s;
}

}  // namespace updater
