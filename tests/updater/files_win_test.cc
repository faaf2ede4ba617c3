// update-result.json, the run log and the held installer on a real Windows
// file system.
#include <windows.h>

#include <gtest/gtest.h>

#include "file_io.h"
#include "held_installer.h"
#include "process_control.h"
#include "result_file.h"
#include "run_log.h"
#include "win_test_support.h"

namespace updater {
namespace {

using test_support::beside_test;
using test_support::Child;
using test_support::read_bytes;
using test_support::ScratchDir;
using test_support::utf8;

TEST(ResultFile, WrittenBesideTheLogAndReplacedEachTime) {
  ScratchDir dir(L"result 한글 " + std::to_wstring(GetCurrentProcessId()));
  const std::string log = utf8(dir / L"updater.log");
  write_update_result(log, UpdateOutcome::failure("first \"run\", C:\\longer text"));
  EXPECT_TRUE(read_bytes(dir / L"update-result.json")
                  .ends_with(R"(","detail":"first \"run\", C:\\longer text","ok":false})"));
  write_update_result(log, UpdateOutcome::success("B"));
  const std::string text = read_bytes(dir / L"update-result.json");
  ASSERT_TRUE(text.starts_with("{\"at\":\"t=")) << text;
  const std::string at = text.substr(7, text.find('"', 7) - 7);
  EXPECT_EQ(text, "{\"at\":\"" + at + "\",\"detail\":\"B\",\"ok\":true}");
  EXPECT_FALSE(std::filesystem::exists(dir / L"updater.log"));
}

TEST(RunLogFile, OthersMayReadWriteAndDeleteWhileItIsWritten) {
  ScratchDir dir(L"log-" + std::to_wstring(GetCurrentProcessId()));
  const auto path = dir / L"u.log";
  // The chat application holds the log open, sharing everything.
  HANDLE reader = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              CREATE_NEW, 0, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  RunLog(utf8(path)).line("one");
  RunLog(utf8(path)).line("two");
  CloseHandle(reader);
  const std::string text = read_bytes(path);
  EXPECT_NE(text.find(" one\nt="), std::string::npos) << text;
  EXPECT_TRUE(text.ends_with(" two\n")) << text;
  EXPECT_TRUE(delete_file(utf8(path)));
  EXPECT_FALSE(delete_file(utf8(path)));
}

TEST(HoldFile, HeldInstallerCannotBeChangedYetStillRuns) {
  ScratchDir dir(L"hold-" + std::to_wstring(GetCurrentProcessId()));
  const auto installer = dir / L"setup.exe";
  const auto other = dir / L"other.exe";
  ASSERT_TRUE(CopyFileW(beside_test(L"fake_app.exe").c_str(), installer.c_str(), FALSE));
  ASSERT_TRUE(CopyFileW(beside_test(L"fake_app.exe").c_str(), other.c_str(), FALSE));
  {
    const win_common::unique_file hold = hold_file(installer.wstring());
    ASSERT_TRUE(hold);
    HANDLE writer = CreateFileW(installer.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
    EXPECT_FALSE(delete_file(utf8(installer)));
    EXPECT_FALSE(MoveFileExW(other.c_str(), installer.c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_FALSE(MoveFileExW(installer.c_str(), (dir / L"moved.exe").c_str(), 0));
    // Nor from another process.
    Child intruder(beside_test(L"fake_app.exe"), L"--try-write \"" + installer.wstring() +
                                                     L"\" --try-delete \"" + installer.wstring() +
                                                     L"\"");
    EXPECT_EQ(intruder.exit_code(10000), 0u);
    // Reading stays shared (with readers that let it be deleted, as a
    // program start does): the installer can still be read and started.
    EXPECT_FALSE(read_bytes(installer).empty());
    EXPECT_TRUE(run_installer(utf8(installer)).has_value());
  }
  Child after_release(beside_test(L"fake_app.exe"),
                      L"--try-delete \"" + installer.wstring() + L"\"");
  EXPECT_EQ(after_release.exit_code(10000), 32u);
  EXPECT_FALSE(hold_file(installer.wstring()));
}

TEST(HeldInstaller, APrivateCopyIsCheckedAndRunAndGoesAtTheEnd) {
  ScratchDir dir(L"copy-" + std::to_wstring(GetCurrentProcessId()));
  const auto installer = dir / L"setup 설치.exe";
  ASSERT_TRUE(CopyFileW(beside_test(L"fake_app.exe").c_str(), installer.c_str(), FALSE));
  std::filesystem::path copy;
  {
    auto held = hold_installer(utf8(installer));
    ASSERT_TRUE(held) << held.error();
    copy = win_common::to_wide((*held)->path());
    EXPECT_EQ((copy.parent_path().parent_path() / L"").wstring(),
              std::filesystem::temp_directory_path().wstring());
    EXPECT_TRUE(copy.parent_path().filename().wstring().starts_with(L"PARLEYNEST-Updater-"));
    EXPECT_EQ(copy.filename(), installer.filename());
    EXPECT_EQ(read_bytes(copy), read_bytes(installer));
    // What the trust check reads is the copy: the file behind the handle it
    // is given lies in the private folder.
    std::wstring behind(32768, L'\0');
    behind.resize(GetFinalPathNameByHandleW(static_cast<HANDLE>((*held)->file()), behind.data(),
                                            static_cast<DWORD>(behind.size()),
                                            FILE_NAME_NORMALIZED | VOLUME_NAME_DOS));
    EXPECT_EQ(
        CompareStringOrdinal(behind.c_str(), -1, (L"\\\\?\\" + copy.wstring()).c_str(), -1, TRUE),
        CSTR_EQUAL)
        << utf8(behind);

    // Both files are held as in HoldFile above; the copy's folder cannot be
    // moved either.
    EXPECT_FALSE(DeleteFileW(installer.c_str()));
    EXPECT_FALSE(DeleteFileW(copy.c_str()));
    EXPECT_FALSE(
        MoveFileW(copy.parent_path().c_str(), (copy.parent_path().wstring() + L"-moved").c_str()));

    // The held copy can be started; what it leaves beside itself goes too.
    EXPECT_TRUE(run_installer((*held)->path()).has_value());
    EXPECT_FALSE(read_bytes(copy.wstring() + L".runs").empty());
    (*held)->delete_installer();
    EXPECT_FALSE(std::filesystem::exists(installer));
    EXPECT_TRUE(std::filesystem::exists(copy));
  }
  EXPECT_FALSE(std::filesystem::exists(copy.parent_path()));
}

}  // namespace
}  // namespace updater
