// The integration guide (docs/INTEGRATION.md) against the program: its table
// of failure texts against the texts the updater writes into the result
// file, its advice column against examples/update_result.h, and (on Windows)
// the command line of examples/start_updater.h against the updater's own
// reading of a command line.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "built_path.h"
#include "options.h"
#include "process_control.h"
#include "roostbox/sign_verify.h"
#include "result_file.h"
#include "run_log.h"
#include "update_result.h"
#include "update_sequence.h"
#include "win_common/signer_identity.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

#include "held_installer.h"
#include "start_updater.h"
#include "win_common/error_text.h"
#include "win_common/handles.h"
#include "win_common/utf.h"
#endif

namespace {

using parleynest::UpdateAdvice;

// One row of the guide's table of failure texts.
struct Family {
  std::string pattern;  // "…" stands for a varying part
  std::string advice;   // the last column, without its backquotes
};

std::string guide_path() {
  return test_support::built_path("PN_INTEGRATION_GUIDE", PN_INTEGRATION_GUIDE);
}

std::string read_guide() {
  std::ifstream in(guide_path(), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The rows of the table whose header begins "| detail |".
std::vector<Family> failure_families(const std::string& guide) {
  std::vector<Family> rows;
  std::istringstream lines(guide);
  std::string line;
  bool inside = false;
  while (std::getline(lines, line)) {
    if (line.starts_with("| detail |")) {
      inside = true;
      std::getline(lines, line);  // the |---| line
      continue;
    }
    if (!inside) continue;
    if (!line.starts_with("| `")) break;
    std::vector<std::string> cells;
    std::istringstream row(line.substr(1));
    std::string cell;
    while (std::getline(row, cell, '|')) cells.push_back(cell);
    const auto unquote = [](std::string c) {
      const auto first = c.find('`'), last = c.rfind('`');
      return first == last ? std::string() : c.substr(first + 1, last - first - 1);
    };
    rows.push_back({unquote(cells.front()), unquote(cells.back())});
  }
  return rows;
}

// Whether `text` is one of the texts `pattern` stands for: its fixed parts
// in order, the first at the start and the last at the end, each "…" at
// least one character.
bool matches(std::string_view pattern, std::string_view text) {
  static constexpr std::string_view kAny = "…";
  std::vector<std::string_view> parts;
  for (std::size_t at = 0;;) {
    const std::size_t next = pattern.find(kAny, at);
    parts.push_back(pattern.substr(at, next - at));
    if (next == std::string_view::npos) break;
    at = next + kAny.size();
  }
  if (!text.starts_with(parts.front())) return false;
  if (parts.size() == 1) return text == parts.front();
  std::size_t at = parts.front().size();
  for (std::size_t i = 1; i + 1 < parts.size(); ++i) {
    const std::size_t found = text.find(parts[i], at + 1);
    if (found == std::string_view::npos) return false;
    at = found + parts[i].size();
  }
  const std::string_view last = parts.back();
  return text.size() >= at + 1 + last.size() && text.ends_with(last);
}

std::string advice_name(UpdateAdvice advice) {
  switch (advice) {
    case UpdateAdvice::Installed:
      return "Installed";
    case UpdateAdvice::DownloadAgain:
      return "DownloadAgain";
    case UpdateAdvice::RetryLater:
      return "RetryLater";
    case UpdateAdvice::Report:
      return "Report";
  }
  return "?";
}

// The message a run records when only its arguments are at fault.
std::string recorded_failure(const updater::UpdaterArgs& args) {
  updater::UpdateServices services;
  std::string recorded;
  services.write_update_result = [&](std::string_view, const updater::UpdateOutcome& outcome) {
    recorded = outcome.text;
  };
  services.restart_app = [](std::string_view) -> std::expected<void, std::string> { return {}; };
  services.delete_installer = [](std::string_view) {};
  // A log in no folder: its lines go nowhere, yet the run records its result.
  updater::run_update(args, updater::RunLog(std::string("no-such-folder/updater.log")), services);
  return recorded;
}

// Failure texts as the updater makes them, through its own text functions,
// and on Windows through real failures where a test can bring them about.
std::vector<std::string> program_failure_texts() {
  using namespace updater;
  using roostbox::SignVerifyError;
  std::vector<std::string> texts = {
      error_text(WaitFailed{4321, wait_timeout_message(30)}),
      error_text(WaitFailed{4321, wait_rc_message(0xFFFFFFFFu)}),
      error_text(InstallerSpawn{"The requested operation requires elevation. (os error 740)"}),
      error_text(InstallerExitCode{2}),
      error_text(InstallerExitCode{static_cast<std::int32_t>(0xC0000005u)}),
      error_text(InstallerTimeout{300}),
      roostbox::display_text(
          SignVerifyError{SignVerifyError::TrustFailed{static_cast<std::int32_t>(0x80096010u)}}),
      roostbox::display_text(SignVerifyError{
          SignVerifyError::SubjectMismatch{"NESTWORKS", "KR, Other Vendor, Other Vendor Signing"}}),
      roostbox::display_text(
          SignVerifyError{SignVerifyError::SignerLookup{"CertGetNameStringW: 빈 Subject"}}),
      win_common::thumbprint_mismatch_text("E2FC8B5694871F24B4F0DEF101954BFFE99C1FB5",
                                           "0A1B2C3D4E5F60718293A4B5C6D7E8F901234567"),
  };
  UpdaterArgs unreadable_installer;
  unreadable_installer.installer = "C:\\t\\setup\xEF\xBF\xBD.exe";
  unreadable_installer.installer_unreadable = true;
  unreadable_installer.app_exe = "C:\\a\\app.exe";
  texts.push_back(recorded_failure(unreadable_installer));
  UpdaterArgs unreadable_app;
  unreadable_app.installer = "C:\\t\\setup.exe";
  unreadable_app.app_exe = "C:\\a\\app\xEF\xBF\xBD.exe";
  unreadable_app.app_exe_unreadable = true;
  texts.push_back(recorded_failure(unreadable_app));
  // Made inside Windows-only code that no test here can make fail; their
  // words are copied from it.
  texts.push_back("본체(pid=4321) 종료 대기 실패: OpenProcess: Access is denied. (0x80070005)");
  texts.push_back("설치 파일 복사 실패: There is not enough space on the disk. (0x80070070)");
  texts.push_back("서명 지문을 못 읽음");
#ifdef _WIN32
  // Real failures: a wait on a process that does not end (this one), a
  // download that is not there, an unsigned file, an installer that cannot
  // be started.
  if (auto waited = wait_for_app_exit(::GetCurrentProcessId(), std::chrono::milliseconds(1));
      !waited)
    texts.push_back(error_text(waited.error()));
  if (auto held = hold_installer("C:\\no-such-folder\\PARLEYNEST-setup.exe"); !held)
    texts.push_back(held.error());
  std::wstring self(MAX_PATH, L'\0');
  self.resize(::GetModuleFileNameW(nullptr, self.data(), MAX_PATH));
  win_common::unique_file file(::CreateFileW(self.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                             OPEN_EXISTING, 0, nullptr));
  if (auto signer =
          win_common::check_installer_signature(file.get(), win_common::from_wide(self), {});
      !signer)
    texts.push_back(signer.error());
  if (auto ran = run_installer("C:\\no-such-folder\\PARLEYNEST-setup.exe"); !ran)
    texts.push_back(error_text(ran.error()));
#else
  // Only Windows holds files; its words, copied.
  texts.push_back("설치 파일 잠금 실패: The system cannot find the path specified. (0x80070003)");
#endif
  return texts;
}

TEST(IntegrationGuide, FailureTableNamesEveryTextTheUpdaterWritesAndNoOther) {
  const std::vector<Family> families = failure_families(read_guide());
  ASSERT_EQ(families.size(), 15u) << "the guide's table of failure texts, " << guide_path();
  const std::vector<std::string> texts = program_failure_texts();
#ifdef _WIN32
  ASSERT_EQ(texts.size(), 19u) << "a real failure did not come about";
#else
  ASSERT_EQ(texts.size(), 16u);
#endif
  std::map<std::string, int> used;
  for (const std::string& text : texts) {
    int rows = 0;
    for (const Family& family : families) {
      if (!matches(family.pattern, text)) continue;
      ++rows;
      ++used[family.pattern];
      EXPECT_EQ(family.advice, advice_name(parleynest::advice_for(false, text)))
          << "advice for " << text;
    }
    EXPECT_EQ(rows, 1) << "rows of the guide that name: " << text;
  }
  for (const Family& family : families)
    EXPECT_GE(used[family.pattern], 1) << "no text of the updater is " << family.pattern;
}

TEST(IntegrationGuide, ASuccessIsInstalledWhateverItsDetail) {
  EXPECT_EQ(parleynest::advice_for(true, "E2FC8B5694871F24B4F0DEF101954BFFE99C1FB5"),
            UpdateAdvice::Installed);
  // A failure is never taken for a success, nor a success for a failure.
  EXPECT_EQ(parleynest::advice_for(false, "E2FC8B5694871F24B4F0DEF101954BFFE99C1FB5"),
            UpdateAdvice::Report);
}

TEST(IntegrationGuide, TheResultFileReadsBackAndOnlyThisRunsCounts) {
  using updater::UpdateOutcome;
  const auto now = std::chrono::system_clock::now();
  const std::string at = updater::timestamp_text_at(now);
  const std::int64_t started =
      std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count();
  for (const UpdateOutcome& outcome :
       {UpdateOutcome::success("E2FC8B5694871F24B4F0DEF101954BFFE99C1FB5"),
        UpdateOutcome::failure("설치 파일 잠금 실패: \"C:\\a\\\" \x01\r\n\t😀 끝")}) {
    const auto read = parleynest::parse_update_result(updater::update_result_json(at, outcome));
    ASSERT_TRUE(read.has_value()) << outcome.text;
    EXPECT_EQ(read->detail, outcome.text);
    EXPECT_EQ(read->ok, outcome.ok);
    EXPECT_EQ(parleynest::at_seconds(read->at), started);
    // Written in the second the run started or later: this run's.
    EXPECT_TRUE(parleynest::is_from_run_started_at(*read, started));
    EXPECT_FALSE(parleynest::is_from_run_started_at(*read, started + 1));
    // An earlier run's result counts as none: the installed version decides.
    EXPECT_EQ(parleynest::advice_after_update(read, started + 1, false), UpdateAdvice::RetryLater);
    EXPECT_EQ(parleynest::advice_after_update(read, started, true),
              outcome.ok ? UpdateAdvice::Installed : UpdateAdvice::DownloadAgain);
  }
  EXPECT_FALSE(parleynest::at_seconds("1796752137").has_value());
  EXPECT_FALSE(parleynest::parse_update_result(R"({"at":"t=1","detail":"x"})").has_value());
}

TEST(IntegrationGuide, PatternsMatchWholeTextsOnly) {
  EXPECT_TRUE(matches("설치 파일 종료 코드 …", "설치 파일 종료 코드 2"));
  EXPECT_FALSE(matches("설치 파일 종료 코드 …", "설치 파일 종료 코드 "));
  EXPECT_FALSE(matches("설치 제한 시간 300초 초과", "설치 제한 시간 300초 초과!"));
  EXPECT_TRUE(matches("서명 지문이 다름(기대 … · 실제 …)", "서명 지문이 다름(기대 A · 실제 B)"));
  EXPECT_FALSE(matches("서명 지문이 다름(기대 … · 실제 …)", "서명 지문이 다름(기대 A · 실제 B"));
}

#ifdef _WIN32

// The tokens of a command line as the updater receives them.
std::vector<updater::ArgToken> split(const std::wstring& line) {
  int count = 0;
  wchar_t** argv = ::CommandLineToArgvW(line.c_str(), &count);
  std::vector<updater::ArgToken> tokens;
  for (int i = 1; argv && i < count; ++i) {
    const std::wstring_view arg(argv[i]);
    tokens.push_back(updater::arg_token(
        std::u16string_view(reinterpret_cast<const char16_t*>(arg.data()), arg.size())));
  }
  ::LocalFree(argv);
  return tokens;
}

std::wstring program_of(const std::wstring& line) {
  int count = 0;
  wchar_t** argv = ::CommandLineToArgvW(line.c_str(), &count);
  std::wstring program = argv && count > 0 ? argv[0] : L"";
  ::LocalFree(argv);
  return program;
}

TEST(IntegrationGuide, CommandLineOfTheExampleReachesTheUpdaterUnchanged) {
  parleynest::UpdaterLaunch launch;
  launch.updater = L"C:\\Program Files\\파랑둥지\\PARLEYNEST-Updater.exe";
  launch.locale = L"ja";
  launch.thumbprint = L" e2fc8b5694871f24b4f0def101954bffe99c1fb5 ";
  // What the quoting rules are about: blanks, a folder ending in a
  // backslash, backslashes before a quote, a quote, an empty value, and
  // text beyond ASCII.
  const std::vector<std::wstring> paths = {
      L"C:\\Users\\kim\\AppData\\Local\\PARLEYNEST\\updates\\setup 0.1.17.exe",
      L"C:\\logs\\",
      L"C:\\a\\\\b\\\\\\",
      L"C:\\odd\\say \"hi\"\\x.exe",
      L"C:\\odd\\\\\"\\\"q",
      L"",
      L"D:\\파랑둥지\\설치 파일.exe",
      L"\\\\server\\share\\PARLEYNEST.exe",
  };
  for (const std::wstring& path : paths) {
    launch.installer = path;
    launch.app_exe = path + L"\\app.exe";
    launch.log = L"--pid";  // a value that looks like an option stays a value
    const std::wstring line = parleynest::updater_command_line(launch, 4321);
    SCOPED_TRACE(win_common::from_wide(line));
    EXPECT_EQ(program_of(line), launch.updater);
    const updater::UpdaterArgs args = updater::parse_args(split(line));
    EXPECT_EQ(args.pid, 4321u);
    EXPECT_EQ(args.installer, win_common::from_wide(launch.installer));
    EXPECT_EQ(args.app_exe, win_common::from_wide(launch.app_exe));
    EXPECT_EQ(args.log_path, "--pid");
    EXPECT_EQ(args.locale, "ja");
    EXPECT_EQ(args.thumbprint, win_common::from_wide(launch.thumbprint));
  }
  // The exact line for the guide's example.
  launch.installer = L"C:\\t\\setup.exe";
  launch.app_exe = L"C:\\a\\app.exe";
  launch.log = L"C:\\logs\\";
  launch.thumbprint.clear();
  launch.updater = L"C:\\u\\PARLEYNEST-Updater.exe";
  EXPECT_EQ(parleynest::updater_command_line(launch, 7),
            L"\"C:\\u\\PARLEYNEST-Updater.exe\" --pid \"7\" --installer \"C:\\t\\setup.exe\" "
            L"--app-exe \"C:\\a\\app.exe\" --log \"C:\\logs\\\\\" --locale \"ja\"");
}

TEST(IntegrationGuide, UiLanguagesBecomeTheUpdatersFourTags) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"ko-KR", L"ko"},         {L"", L"ko"},         {L"ja-JP", L"ja"},     {L"JA", L"ja"},
      {L"en", L"en-US"},         {L"en-US", L"en-US"}, {L"en-AU", L"en-GB"},  {L"en_gb", L"en-GB"},
      {L"en-Latn-GB", L"en-GB"}, {L"fr-FR", L"en-US"}, {L"english", L"en-US"}};
  for (const auto& [ui, tag] : cases) EXPECT_EQ(parleynest::updater_locale(ui), tag) << ui;
}

#endif

}  // namespace
