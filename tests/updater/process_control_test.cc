// Waiting for, running and starting real child processes.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>

#include "process_control.h"
#include "win_test_support.h"

namespace updater {
namespace {

using namespace std::chrono_literals;
using test_support::beside_test;
using test_support::Child;
using test_support::read_bytes;
using test_support::ScratchDir;
using test_support::utf8;
using test_support::write_bytes;

TEST(WaitForAppExit, ProcessThatEndsInTime) {
  Child app(beside_test(L"fake_app.exe"), L"--stay-ms 700");
  ASSERT_TRUE(app.started());
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(wait_for_app_exit(app.pid(), 10s).has_value());
  EXPECT_FALSE(app.running());
  EXPECT_LT(std::chrono::steady_clock::now() - start, 8s);
}

TEST(WaitForAppExit, ProcessThatOutlivesTheLimitIsLeftRunning) {
  Child app(beside_test(L"fake_app.exe"), L"--stay-ms 20000");
  ASSERT_TRUE(app.started());
  const auto result = wait_for_app_exit(app.pid(), 1s);
  ASSERT_FALSE(result.has_value());
  EXPECT_EQ(error_text(result.error()),
            "본체(pid=" + std::to_string(app.pid()) + ") 종료 대기 실패: 1초 안에 끝나지 않음");
  EXPECT_TRUE(app.running());
}

TEST(WaitForAppExit, PidZeroAndVanishedPidCountAsEnded) {
  EXPECT_TRUE(wait_for_app_exit(0, 1s).has_value());
  DWORD gone = 0;
  {
    Child app(beside_test(L"fake_app.exe"), L"");
    ASSERT_TRUE(app.wait(10000));
    gone = app.pid();
  }
  EXPECT_TRUE(wait_for_app_exit(gone, 1s).has_value());
}

class Installer : public ::testing::Test {
 protected:
  Installer() : dir_(L"installer-" + std::to_wstring(GetCurrentProcessId())) {}
  void SetUp() override {
    ASSERT_TRUE(CopyFileW(beside_test(L"fake_app.exe").c_str(), installer().c_str(), FALSE));
  }
  std::filesystem::path installer() const { return dir_ / L"setup 1.exe"; }
  void behave(const std::string& options) {
    write_bytes(installer().wstring() + L".behaviour", options);
  }
  std::string runs() const { return read_bytes(installer().wstring() + L".runs"); }
  ScratchDir dir_;
};

TEST_F(Installer, ExitCodeZeroIsSuccessAndSwitchesArePassed) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(run_installer(utf8(installer())).has_value());
  // The installer ended before the first poll: no 500 ms sleep was needed.
  EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
  EXPECT_EQ(runs(), "/VERYSILENT /SUPPRESSMSGBOXES /NORESTART\n");
}

TEST_F(Installer, EndIsSeenWithinThePollInterval) {
  // Still running at the first check, ended long before one interval is over.
  // A loop that slept its interval would hold this test for an hour, until
  // CTest's time-out fails it.
  behave("--stay-ms 300");
  EXPECT_TRUE(run_installer(utf8(installer()), 1h, 1h).has_value());
  EXPECT_EQ(runs(), "/VERYSILENT /SUPPRESSMSGBOXES /NORESTART\n");
}

TEST_F(Installer, NonZeroExitCodesAreReadSigned) {
  behave("--exit 2");
  auto result = run_installer(utf8(installer()));
  ASSERT_FALSE(result.has_value());
  EXPECT_EQ(error_text(result.error()), "설치 파일 종료 코드 2");

  behave("--exit 0xC0000005");
  result = run_installer(utf8(installer()));
  ASSERT_FALSE(result.has_value());
  EXPECT_EQ(error_text(result.error()), "설치 파일 종료 코드 -1073741819");
}

TEST_F(Installer, ItsProcessIsAwaitedAndItStartsInTheUpdatersCurrentFolder) {
  // It deletes "marker" from its current folder (32), which only the
  // updater's holds, then ends its main thread 2 s before its process (+3).
  ScratchDir here(L"current-" + std::to_wstring(GetCurrentProcessId()));
  write_bytes(here / L"marker", "x");
  behave("--try-delete marker --exit-later 3");
  const std::filesystem::path earlier = std::filesystem::current_path();
  std::filesystem::current_path(here.path());
  const auto result = run_installer(utf8(installer()));
  std::filesystem::current_path(earlier);
  ASSERT_FALSE(result.has_value());
  EXPECT_EQ(error_text(result.error()), "설치 파일 종료 코드 35");
}

TEST_F(Installer, OutlivingTheLimitIsTerminated) {
  behave("--pid-file " + utf8(dir_ / L"pid") + " --stay-ms 30000");
  const auto start = std::chrono::steady_clock::now();
  const auto result = run_installer(utf8(installer()), 1s, 100ms);
  const auto took = std::chrono::steady_clock::now() - start;
  ASSERT_FALSE(result.has_value());
  EXPECT_EQ(error_text(result.error()), "설치 제한 시간 1초 초과");
  EXPECT_GE(took, 1s);
  EXPECT_LT(took, 10s);
  const DWORD pid = static_cast<DWORD>(std::stoul(read_bytes(dir_ / L"pid")));
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (process) {  // it may already be gone entirely
    EXPECT_EQ(WaitForSingleObject(process, 5000), WAIT_OBJECT_0);
    CloseHandle(process);
  }
}

TEST_F(Installer, MissingProgramIsASpawnFailure) {
  const auto result = run_installer(utf8(dir_ / L"nothing here.exe"));
  ASSERT_FALSE(result.has_value());
  const std::string text = error_text(result.error());
  EXPECT_TRUE(text.starts_with("설치 파일 실행 실패: ")) << text;
  EXPECT_TRUE(text.ends_with(" (os error 2)")) << text;
  EXPECT_GT(text.size(), std::string("설치 파일 실행 실패:  (os error 2)").size()) << text;
}

TEST_F(Installer, RestartStartsTheProgramWithoutArgumentsAndDoesNotWait) {
  behave("--stay-ms 5000");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(restart_app(utf8(installer())).has_value());
  EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
  for (int i = 0; i < 100 && runs().empty(); ++i) Sleep(50);
  EXPECT_EQ(runs(), "\n");

  const auto missing = restart_app(utf8(dir_ / L"gone.exe"));
  ASSERT_FALSE(missing.has_value());
  EXPECT_TRUE(missing.error().ends_with(" (os error 2)")) << missing.error();
}

}  // namespace
}  // namespace updater
