// PARLEYNEST-Updater: started by the chat application with everything on
// its command line; see README.md for the options and what a run does.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "exit_codes.h"
#include "i18n/locale.h"
#include "nestui_kit/borderless.h"
#include "options.h"
#include "process_control.h"
#include "run_log.h"
#include "update_sequence.h"
#include "win_common/error_text.h"
#include "windows_services.h"

namespace {

// The tokens after the program name, split by the ordinary Windows rules:
// the C runtime's own argument list, made before wWinMain (splitting the
// line again with CommandLineToArgvW would load shell32 for nothing).
std::vector<updater::ArgToken> command_line_tokens() {
  const int count = __argc;
  wchar_t** argv = __wargv;
  std::vector<updater::ArgToken> tokens;
  for (int i = 1; argv && i < count; ++i) {
    const std::wstring_view arg(argv[i]);
    tokens.push_back(updater::arg_token(
        std::u16string_view(reinterpret_cast<const char16_t*>(arg.data()), arg.size())));
  }
  return tokens;
}

// Visual styles and the common controls of version 6 (the manifest binds
// them), and the window classes of the kit. A failure is reported on
// standard error and the run goes on; the windows then normally cannot be
// built and the run goes without them.
void init_gui() {
  std::string error;
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  if (!::InitCommonControlsEx(&icc))
    error = "InitCommonControlsEx: " + win_common::last_windows_error_text();
  else if (auto registered = nestui_kit::register_window_classes(); !registered)
    error = registered.error();
  if (error.empty()) return;
  const std::string text = "[PARLEYNEST-Updater] nwg::init: " + error + "\n";
  std::fputs(text.c_str(), stderr);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Before any DLL is loaded at run time: DLLs come from System32 only,
  // never from this program's folder (often a downloads folder) or the
  // current folder. The program imports only DLLs that the system always
  // takes from there (and comctl32 through its manifest).
  ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);

  i18n::set_locale("ko");
  const std::vector<updater::ArgToken> tokens = command_line_tokens();
  updater::UpdaterArgs args = updater::parse_args(tokens);
  // A relative application path names the program in the current folder as
  // it is at the start, and the program is started by that full path.
  if (args.app_exe && !args.app_exe_unreadable)
    args.app_exe = updater::full_path_from_current_folder(*args.app_exe);
  // The language is fixed before any window or catalog text exists.
  const i18n::language_index language = i18n::language_from_tag(args.locale);
  i18n::set_locale(i18n::LOCALE_TAGS[language]);
  init_gui();
  if (!args.installer || !args.app_exe) return updater::kExitAlways;

  const updater::RunLog log(args.log_path);
  updater::run_update(args, log, updater::windows_services(language));
  return updater::kExitAlways;
}
