#include <gtest/gtest.h>

#include "process_control.h"

namespace updater {
namespace {

TEST(ProcessErrorText, EachKindInItsOwnWords) {
  EXPECT_EQ(error_text(WaitFailed{4321, wait_timeout_message(30)}),
            "본체(pid=4321) 종료 대기 실패: 30초 안에 끝나지 않음");
  EXPECT_EQ(error_text(WaitFailed{7, wait_rc_message(0xFFFFFFFFu)}),
            "본체(pid=7) 종료 대기 실패: WaitForSingleObject rc=0xFFFFFFFF");
  EXPECT_EQ(wait_rc_message(0x80), "WaitForSingleObject rc=0x00000080");
  EXPECT_EQ(error_text(WaitFailed{4294967295u, "OpenProcess: Access denied. (0x80070005)"}),
            "본체(pid=4294967295) 종료 대기 실패: OpenProcess: Access denied. (0x80070005)");
  EXPECT_EQ(error_text(InstallerSpawn{"File not found. (os error 2)"}),
            "설치 파일 실행 실패: File not found. (os error 2)");
  EXPECT_EQ(error_text(InstallerExitCode{2}), "설치 파일 종료 코드 2");
  EXPECT_EQ(error_text(InstallerExitCode{static_cast<std::int32_t>(0xC0000005u)}),
            "설치 파일 종료 코드 -1073741819");
  EXPECT_EQ(error_text(InstallerTimeout{300}), "설치 제한 시간 300초 초과");
}

// The other tests pass limits of their own: these are the ones that ship.
TEST(Limits, ThirtySecondsForTheAppAndThreeHundredForTheInstaller) {
  EXPECT_EQ(kAppExitLimit, std::chrono::seconds(30));
  EXPECT_EQ(kInstallerLimit, std::chrono::seconds(300));
}

TEST(WaitMilliseconds, SecondsAndSubSecondPartCapped) {
  using namespace std::chrono;
  EXPECT_EQ(wait_milliseconds(seconds{30}), 30000u);
  EXPECT_EQ(wait_milliseconds(milliseconds{1500}), 1500u);
  EXPECT_EQ(wait_milliseconds(nanoseconds{999'999}), 0u);
  EXPECT_EQ(wait_milliseconds(nanoseconds{1'999'999}), 1u);
  EXPECT_EQ(wait_milliseconds(seconds{4'294'967}), 4'294'967'000u);
  EXPECT_EQ(wait_milliseconds(seconds{4'294'968}), 0xFFFFFFFFu);
  EXPECT_EQ(wait_milliseconds(hours{24 * 365 * 100}), 0xFFFFFFFFu);
}

TEST(CommandLine, ProgramQuotedSwitchesPlain) {
  EXPECT_EQ(command_line("C:\\Program Files\\t\\setup.exe", kInstallerSwitches),
            "\"C:\\Program Files\\t\\setup.exe\" /VERYSILENT /SUPPRESSMSGBOXES /NORESTART");
  EXPECT_EQ(command_line("C:\\a\\app.exe", {}), "\"C:\\a\\app.exe\"");
  EXPECT_EQ(command_line("C:\\a\\", {}), "\"C:\\a\\\"");
}

TEST(CommandLine, ArgumentsQuotedByTheRuntimeRules) {
  const std::string_view args[] = {"", "a b", "say \"hi\"", "tail\\", "sp ace\\", "x\\\"y"};
  EXPECT_EQ(command_line("p", args),
            "\"p\" \"\" \"a b\" \"say \\\"hi\\\"\" tail\\ \"sp ace\\\\\" \"x\\\\\\\"y\"");
}

TEST(CommandLine, ProgramThatCannotBeQuotedIsRefused) {
  EXPECT_EQ(command_line("C:\\a\"b.exe", {}), std::nullopt);
  EXPECT_EQ(command_line(std::string_view("C:\\a\0b.exe", 10), {}), std::nullopt);
}

TEST(AbsolutePath, OnlyFullyQualifiedPathsNameAProgram) {
  for (const char* path :
       {"C:\\a\\app.exe", "z:/a.exe", "\\\\server\\share\\a.exe", "\\\\?\\C:\\a.exe"})
    EXPECT_TRUE(is_absolute_path(path)) << path;
  for (const char* path :
       {"", "app.exe", ".\\app.exe", "\\a\\app.exe", "C:app.exe", "C:", "1:\\a.exe"})
    EXPECT_FALSE(is_absolute_path(path)) << path;
}

}  // namespace
}  // namespace updater
