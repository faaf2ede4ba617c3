// The run log's lines and update-result.json: names and exact bytes.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "held_installer.h"
#include "private_folder.h"
#include "result_file.h"
#include "run_log.h"

namespace updater {
namespace {

std::string read_all(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(RunLogText, TimestampIsWholeUnixSeconds) {
  using namespace std::chrono;
  const system_clock::time_point t{seconds{1796749771} + milliseconds{999}};
  EXPECT_EQ(timestamp_text_at(t), "t=1796749771");
  EXPECT_EQ(timestamp_text_at(system_clock::time_point{}), "t=0");
  EXPECT_EQ(timestamp_text_at(system_clock::time_point{} - hours{24}), "t=0");
  EXPECT_EQ(log_line_text("t=1700000000", "app exited"), "t=1700000000 app exited\n");
}

TEST(RunLogText, LineBreaksInsideAValueAreWrittenEscaped) {
  EXPECT_EQ(log_line_text("t=5", "start app=C:\\a\nt=6 installer ok\r\nx"),
            "t=5 start app=C:\\a\\nt=6 installer ok\\r\\nx\n");
  EXPECT_EQ(log_line_text("t=5", "\n\n"), "t=5 \\n\\n\n");
}

TEST(RunLogText, PathsAreWrittenAsTheyAre) {
  const std::string path = "C:\\Users\\nina\\AppData\\Local\\PARLEYNEST\\updates\\setup.exe";
  EXPECT_EQ(log_line_text("t=5", "start installer=" + path + " pid=None app=D:\\releases\\new\\"),
            "t=5 start installer=" + path + " pid=None app=D:\\releases\\new\\\n");
  EXPECT_EQ(log_line_text("t=5", "\\\\server\\r\\n\\"), "t=5 \\\\server\\r\\n\\\n");
}

TEST(PrivateCopyName, TheInstallersOwnNameOrAStandIn) {
  EXPECT_EQ(private_copy_name("C:\\d\\PARLEYNEST-setup-0.1.17.exe"), "PARLEYNEST-setup-0.1.17.exe");
  EXPECT_EQ(private_copy_name("Z:/d/설치.exe"), "설치.exe");
  for (const char* odd : {"", "C:\\d\\", "C:\\d\\..", "C:\\d\\.", "C:setup.exe", "C:\\d\\a.exe:x",
                          "C:\\d\\. ", "C:\\d\\...", "C:\\d\\a?.exe", "C:\\d\\a\x01.exe",
                          "C:\\d\\nul.exe", "C:\\d\\Com1 .txt", "C:\\d\\CON"})
    EXPECT_EQ(private_copy_name(odd), "installer.exe") << odd;
  EXPECT_EQ(private_copy_name("C:\\d\\console.exe"), "console.exe");
  EXPECT_EQ(private_copy_name("C:\\d\\com10.exe"), "com10.exe");
}

TEST(PrivateFolderName, OnlyNamesAsTheUpdaterWritesThemTellTheirOwner) {
  EXPECT_EQ(private_folder_name(4321, 0), "PARLEYNEST-Updater-4321-0");
  EXPECT_EQ(private_folder_owner(private_folder_name(4321, 99)), 4321u);
  EXPECT_EQ(private_folder_owner("PARLEYNEST-Updater-0-0"), 0u);
  EXPECT_EQ(private_folder_owner("PARLEYNEST-Updater-4294967295-1"), 4294967295u);
  for (const char* other :
       {"PARLEYNEST-Updater-4294967296-0", "PARLEYNEST-Updater-12", "PARLEYNEST-Updater-12-",
        "PARLEYNEST-Updater--0", "PARLEYNEST-Updater-012-0", "PARLEYNEST-Updater-12-01",
        "PARLEYNEST-Updater-+12-0", "PARLEYNEST-Updater-12-0-1", "PARLEYNEST-Updater-12-0 ",
        "PARLEYNEST-Updater-12-0.old", "parleynest-updater-12-0", "X-PARLEYNEST-Updater-12-0"})
    EXPECT_EQ(private_folder_owner(other), std::nullopt) << other;
}

class TempDir : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("pn-files-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path dir_;
};

using RunLogFile = TempDir;

TEST_F(RunLogFile, AppendsOneLinePerCallAndKeepsEarlierContent) {
  const auto path = dir_ / "u.log";
  std::ofstream(path, std::ios::binary) << "earlier\n";
  const RunLog log(path.string());
  const auto before = std::chrono::system_clock::now();
  log.line("start");
  log.line("파랑둥지 끝");
  const std::string text = read_all(path);
  ASSERT_TRUE(text.starts_with("earlier\nt="));
  std::istringstream lines(text.substr(8));
  std::string first, second, extra;
  std::getline(lines, first);
  std::getline(lines, second);
  EXPECT_FALSE(std::getline(lines, extra));
  const long long t = std::stoll(first.substr(2));
  EXPECT_GE(t, std::chrono::duration_cast<std::chrono::seconds>(before.time_since_epoch()).count());
  EXPECT_EQ(first, "t=" + std::to_string(t) + " start");
  EXPECT_TRUE(second.ends_with(" 파랑둥지 끝"));
  EXPECT_EQ(text.find('\r'), std::string::npos);
}

TEST_F(RunLogFile, WithoutPathOrFolderNothingHappens) {
  RunLog(std::nullopt).line("nothing");
  RunLog((dir_ / "missing" / "u.log").string()).line("lost");
  EXPECT_TRUE(std::filesystem::is_empty(dir_));
}

TEST(ResultFilePath, ReplacesTheLogFileName) {
  EXPECT_EQ(result_file_path("C:\\x\\logs\\updater.log"), "C:\\x\\logs\\update-result.json");
  EXPECT_EQ(result_file_path("updater.log"), "update-result.json");
  EXPECT_EQ(result_file_path(".\\updater.log"), ".\\update-result.json");
  EXPECT_EQ(result_file_path("C:/x/logs/updater.log"), "C:/x/logs\\update-result.json");
  EXPECT_EQ(result_file_path("C:\\x\\logs\\\\updater.log"), "C:\\x\\logs\\update-result.json");
  EXPECT_EQ(result_file_path("C:\\updater.log"), "C:\\update-result.json");
  EXPECT_EQ(result_file_path("C:updater.log"), "C:update-result.json");
  EXPECT_EQ(result_file_path("\\\\server\\share\\u.log"), "\\\\server\\share\\update-result.json");
  EXPECT_EQ(result_file_path("\\\\?\\C:\\logs\\u.log"), "\\\\?\\C:\\logs\\update-result.json");
  EXPECT_EQ(result_file_path("C:\\한글 폴더\\u.log"), "C:\\한글 폴더\\update-result.json");
}

TEST(ResultFilePath, TrailingSeparatorOrDotDropsTheLastFolder) {
  EXPECT_EQ(result_file_path("C:\\x\\logs\\"), "C:\\x\\update-result.json");
  EXPECT_EQ(result_file_path("C:\\x\\logs\\."), "C:\\x\\update-result.json");
  EXPECT_EQ(result_file_path("C:\\x\\logs\\.\\"), "C:\\x\\update-result.json");
  EXPECT_EQ(result_file_path("logs/"), "update-result.json");
}

TEST(ResultFilePath, NoFileNameAppendsToThePathUnchanged) {
  EXPECT_EQ(result_file_path("C:\\x\\.."), "C:\\x\\..\\update-result.json");
  EXPECT_EQ(result_file_path(".."), "..\\update-result.json");
  EXPECT_EQ(result_file_path("C:\\"), "C:\\update-result.json");
  EXPECT_EQ(result_file_path("C:"), "C:update-result.json");
  EXPECT_EQ(result_file_path("\\"), "\\update-result.json");
  EXPECT_EQ(result_file_path("\\\\server\\share"), "\\\\server\\share\\update-result.json");
  EXPECT_EQ(result_file_path(""), "update-result.json");
  EXPECT_EQ(result_file_path("."), ".\\update-result.json");
}

TEST(ResultJson, ExactCompactBytes) {
  const std::string thumb(40, 'A');
  EXPECT_EQ(update_result_json("t=1700000000", UpdateOutcome::success(thumb)),
            "{\"at\":\"t=1700000000\",\"detail\":\"" + thumb + "\",\"ok\":true}");
  EXPECT_EQ(update_result_json(
                "t=5", UpdateOutcome::failure("본체(pid=7) 종료 대기 실패: 30초 안에 끝나지 않음")),
            "{\"at\":\"t=5\",\"detail\":\"본체(pid=7) 종료 대기 실패: 30초 안에 끝나지 "
            "않음\",\"ok\":false}");
  EXPECT_EQ(update_result_json("t=5", UpdateOutcome::success("")),
            "{\"at\":\"t=5\",\"detail\":\"\",\"ok\":true}");
}

TEST(ResultJson, EscapesQuotesBackslashesAndControls) {
  EXPECT_EQ(json_string("C:\\a \"b\""), "\"C:\\\\a \\\"b\\\"\"");
  EXPECT_EQ(json_string("\b\t\n\f\r"), "\"\\b\\t\\n\\f\\r\"");
  EXPECT_EQ(json_string(std::string("\x00\x01\x0b\x1b\x1f", 5)),
            "\"\\u0000\\u0001\\u000b\\u001b\\u001f\"");
  EXPECT_EQ(json_string("\x7f/ü한"), "\"\x7f/ü한\"");
}

}  // namespace
}  // namespace updater
