// update-result.json, the run log and the held installer on a real Windows
// file system.
#include <windows.h>

#include <gtest/gtest.h>

#include "file_io.h"
#include "held_installer.h"
#include "private_folder.h"
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
using test_support::write_bytes;

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
  EXPECT_TRUE(DeleteFileW(path.c_str()));
  EXPECT_FALSE(DeleteFileW(path.c_str()));
}

TEST(HoldFile, HeldFilesCannotBeChangedAndOnlyAReadingHoldLetsAnInstallerRun) {
  ScratchDir dir(L"hold-" + std::to_wstring(GetCurrentProcessId()));
  const auto installer = dir / L"setup.exe";
  const auto other = dir / L"other.exe";
  ASSERT_TRUE(CopyFileW(beside_test(L"fake_app.exe").c_str(), installer.c_str(), FALSE));
  ASSERT_TRUE(CopyFileW(beside_test(L"fake_app.exe").c_str(), other.c_str(), FALSE));
  for (const bool running : {false, true}) {
    SCOPED_TRACE(running ? "hold_running_file" : "hold_file");
    const win_common::unique_file hold =
        running ? hold_running_file(installer.wstring()) : hold_file(installer.wstring());
    ASSERT_TRUE(hold);
    HANDLE writer = CreateFileW(installer.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
    EXPECT_FALSE(DeleteFileW(installer.c_str()));
    EXPECT_FALSE(MoveFileExW(other.c_str(), installer.c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_FALSE(MoveFileExW(installer.c_str(), (dir / L"moved.exe").c_str(), 0));
    // Nor from another process.
    Child intruder(beside_test(L"fake_app.exe"), L"--try-write \"" + installer.wstring() +
                                                     L"\" --try-delete \"" + installer.wstring() +
                                                     L"\"");
    EXPECT_EQ(intruder.exit_code(10000), 0u);
    // The installer opens its own file to read, sharing only reading: a
    // hold with delete access makes it fail at once (exit code 70).
    EXPECT_FALSE(read_bytes(installer).empty());
    const auto ran = run_installer(utf8(installer));
    EXPECT_EQ(ran ? "ok" : error_text(ran.error()), running ? "ok" : "설치 파일 종료 코드 70");
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
    EXPECT_EQ(CompareStringOrdinal(behind.c_str(), -1,
                                   (L"\\\\?\\" + test_support::long_path(copy).wstring()).c_str(),
                                   -1, TRUE),
              CSTR_EQUAL)
        << utf8(behind);

    // Both files are held as in HoldFile above; the copy's folder cannot be
    // moved either.
    EXPECT_FALSE(DeleteFileW(installer.c_str()));
    EXPECT_FALSE(DeleteFileW(copy.c_str()));
    EXPECT_FALSE(
        MoveFileW(copy.parent_path().c_str(), (copy.parent_path().wstring() + L"-moved").c_str()));

    // Another program may read the copy while it is held, sharing only
    // reading, as the installer does with its own file.
    EXPECT_TRUE(win_common::unique_file(CreateFileW(copy.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                    nullptr, OPEN_EXISTING, 0, nullptr)));
    // The held copy can be started; what it leaves beside itself goes too:
    // folders in folders, read-only files.
    EXPECT_TRUE(run_installer((*held)->path()).has_value());
    EXPECT_FALSE(read_bytes(copy.wstring() + L".runs").empty());
    std::filesystem::create_directories(copy.parent_path() / L"data" / L"nested");
    write_bytes(copy.parent_path() / L"data" / L"nested" / L"left.txt", "x");
    write_bytes(copy.parent_path() / L"read-only.txt", "x");
    SetFileAttributesW((copy.parent_path() / L"read-only.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    (*held)->delete_installer();
    EXPECT_FALSE(std::filesystem::exists(installer));
    EXPECT_TRUE(std::filesystem::exists(copy));
  }
  EXPECT_FALSE(std::filesystem::exists(copy.parent_path()));
}

TEST(HeldInstaller, TheCopyIsMadeFromTheHoldNeverFromTheName) {
  // Another file was swapped into the name after the hold was taken.
  ScratchDir dir(L"swapped-" + std::to_wstring(GetCurrentProcessId()));
  write_bytes(dir / L"held.exe", "held bytes");
  write_bytes(dir / L"setup.exe", "swapped in");
  auto held =
      copy_held_installer(hold_file((dir / L"held.exe").wstring()), utf8(dir / L"setup.exe"));
  ASSERT_TRUE(held) << held.error();
  EXPECT_EQ(read_bytes(win_common::to_wide((*held)->path())), "held bytes");
}

TEST(PrivateFolder, WhatIsInUseIsLeftAndTheRestRemoved) {
  auto folder = make_private_folder();
  ASSERT_TRUE(folder);
  const std::filesystem::path path = folder->path;
  EXPECT_EQ(private_folder_owner(utf8(path.filename())), GetCurrentProcessId());
  EXPECT_EQ(path.parent_path() / L"", std::filesystem::temp_directory_path());
  std::filesystem::create_directories(path / L"a" / L"b");
  write_bytes(path / L"a" / L"b" / L"c.txt", "x");
  write_bytes(path / L"a" / L"used.txt", "x");
  write_bytes(path / L"d.txt", "x");
  SetFileAttributesW((path / L"d.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  // Only NTFS refuses to delete a read-only folder; Wine deletes it anyway.
  SetFileAttributesW((path / L"a" / L"b").c_str(), FILE_ATTRIBUTE_READONLY);
  {
    // In use by a program that lets no one delete it.
    const win_common::unique_file used(CreateFileW((path / L"a" / L"used.txt").c_str(),
                                                   GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                   OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(used);
    folder->hold.reset();
    remove_folder_tree(folder->final_path);
    EXPECT_FALSE(std::filesystem::exists(path / L"a" / L"b"));
    EXPECT_FALSE(std::filesystem::exists(path / L"d.txt"));
    EXPECT_TRUE(std::filesystem::exists(path / L"a" / L"used.txt"));
  }
  remove_folder_tree(folder->final_path);
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(PrivateFolder, OnlyFoldersOfUpdatersThatNoLongerRunAreRemoved) {
  const std::filesystem::path temp = std::filesystem::temp_directory_path();
  const auto named = [&](const std::string& name) { return temp / win_common::to_wide(name); };
  // No process has this id; this one runs; the others are not named as
  // the updater names its folders.
  const std::filesystem::path gone = named(private_folder_name(4000000000u, 7));
  const std::filesystem::path running = named(private_folder_name(GetCurrentProcessId(), 77));
  const std::filesystem::path odd = named(private_folder_name(4000000000u, 7) + "x");
  const std::filesystem::path file = named(private_folder_name(4000000000u, 8));
  for (const auto& folder : {gone, running, odd}) {
    std::filesystem::create_directories(folder / L"sub");
    write_bytes(folder / L"sub" / L"setup.exe", "x");
  }
  write_bytes(file, "x");
  remove_stale_private_folders();
  EXPECT_FALSE(std::filesystem::exists(gone));
  EXPECT_TRUE(std::filesystem::exists(running / L"sub" / L"setup.exe"));
  EXPECT_TRUE(std::filesystem::exists(odd / L"sub" / L"setup.exe"));
  EXPECT_TRUE(std::filesystem::exists(file));
  for (const auto& left : {running, odd, file}) std::filesystem::remove_all(left);
}

}  // namespace
}  // namespace updater
