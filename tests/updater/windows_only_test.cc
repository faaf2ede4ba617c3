// What docs/SECURITY.md promises and only Windows itself can show: Wine
// keeps no access lists, lets a folder holding an open file be renamed and
// prefers its own DLLs. Under Wine these tests are skipped and say why.
#include <windows.h>
#include <aclapi.h>

#include <gtest/gtest.h>

#include <vector>

#include "held_installer.h"
#include "private_folder.h"
#include "win_test_support.h"

namespace updater {
namespace {

using test_support::beside_test;
using test_support::Child;
using test_support::read_bytes;
using test_support::ScratchDir;
using test_support::utf8;
using test_support::write_bytes;

// The access list of a file or folder, with the descriptor that owns it.
struct AccessList {
  win_common::unique_local descriptor;
  PACL dacl = nullptr;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
};

AccessList access_list_of(const std::filesystem::path& path) {
  AccessList out;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                            nullptr, &out.dacl, nullptr, &descriptor) != ERROR_SUCCESS)
    return out;
  out.descriptor.reset(descriptor);
  DWORD revision = 0;
  GetSecurityDescriptorControl(descriptor, &out.control, &revision);
  return out;
}

// The one entry of an access list, or null when it has another number.
const ACCESS_ALLOWED_ACE* only_entry(const AccessList& list) {
  void* entry = nullptr;
  if (!list.dacl || list.dacl->AceCount != 1 || !GetAce(list.dacl, 0, &entry)) return nullptr;
  return static_cast<const ACCESS_ALLOWED_ACE*>(entry);
}

// The private folder "is made with an access list that gives the current
// user full control and no one else anything, nothing inherited", and what
// is made in it inherits that one entry.
TEST(PrivateFolder, OnlyTheCurrentUserHasAccessAndNothingIsInherited) {
  PN_SKIP_UNDER_WINE("Wine keeps no access lists on files");
  win_common::unique_handle token;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()));
  std::vector<char> user(512);
  DWORD size = 0;
  ASSERT_TRUE(GetTokenInformation(token.get(), TokenUser, user.data(),
                                  static_cast<DWORD>(user.size()), &size));
  const PSID sid = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;

  auto folder = make_private_folder();
  ASSERT_TRUE(folder);
  const std::filesystem::path path = folder->path;
  write_bytes(path / L"inside.txt", "x");

  const AccessList own = access_list_of(path);
  EXPECT_TRUE(own.control & SE_DACL_PROTECTED) << "the folder inherits from its parent";
  const ACCESS_ALLOWED_ACE* entry = only_entry(own);
  ASSERT_NE(entry, nullptr) << (own.dacl ? own.dacl->AceCount : 0) << " entries";
  EXPECT_EQ(entry->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
  EXPECT_EQ(entry->Mask, static_cast<ACCESS_MASK>(FILE_ALL_ACCESS));
  EXPECT_EQ(entry->Header.AceFlags, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
  EXPECT_TRUE(EqualSid(const_cast<DWORD*>(&entry->SidStart), sid));

  const ACCESS_ALLOWED_ACE* inherited = only_entry(access_list_of(path / L"inside.txt"));
  ASSERT_NE(inherited, nullptr);
  EXPECT_EQ(inherited->Header.AceFlags, INHERITED_ACE);
  EXPECT_TRUE(EqualSid(const_cast<DWORD*>(&inherited->SidStart), sid));

  folder->hold.reset();
  remove_folder_tree(folder->final_path);
}

// "The downloaded file is held open (...): nobody else can write, replace,
// rename or delete it": nor rename the folder that holds it, which would
// move it away from its path during the run.
TEST(HoldFile, TheFolderOfAHeldInstallerCannotBeRenamed) {
  PN_SKIP_UNDER_WINE("Wine lets a folder that holds an open file be renamed");
  ScratchDir dir(L"held-folder-" + std::to_wstring(GetCurrentProcessId()));
  const auto downloads = dir / L"downloads", moved = dir / L"moved";
  std::filesystem::create_directories(downloads);
  ASSERT_TRUE(
      CopyFileW(beside_test(L"fake_app.exe").c_str(), (downloads / L"setup.exe").c_str(), FALSE));
  {
    auto held = hold_installer(utf8(downloads / L"setup.exe"));
    ASSERT_TRUE(held) << held.error();
    EXPECT_FALSE(MoveFileExW(downloads.c_str(), moved.c_str(), 0));
    EXPECT_TRUE(std::filesystem::exists(downloads / L"setup.exe"));
  }
  // Released, it can: the hold was what stopped it.
  EXPECT_TRUE(MoveFileExW(downloads.c_str(), moved.c_str(), 0)) << GetLastError();
}

// "No planted DLLs": a wintrust.dll beside the updater is never loaded,
// though an ordinary program in the same folder loads it.
TEST(PlantedDll, NeverLoadedBesideTheUpdaterThoughAnOrdinaryProgramLoadsIt) {
  PN_SKIP_UNDER_WINE("Wine prefers its own wintrust.dll to one beside the program");
  ScratchDir dir(L"planted-" + std::to_wstring(GetCurrentProcessId()));
  for (const wchar_t* name : {L"PARLEYNEST-Updater.exe", L"dll_search_control.exe"})
    ASSERT_TRUE(CopyFileW(beside_test(name).c_str(), (dir / name).c_str(), FALSE));
  ASSERT_TRUE(CopyFileW(beside_test(L"planted\\wintrust.dll").c_str(),
                        (dir / L"wintrust.dll").c_str(), FALSE));
  // An unsigned installer: its check is the trust provider's, and fails.
  ASSERT_TRUE(CopyFileW(beside_test(L"fake_app.exe").c_str(), (dir / L"setup.exe").c_str(), FALSE));
  const auto marker = dir / L"planted-dll-loaded", log = dir / L"updater.log";

  Child control(dir / L"dll_search_control.exe", L"");
  ASSERT_EQ(control.exit_code(60000), 0u);
  ASSERT_TRUE(std::filesystem::remove(marker)) << "the control did not load the planted DLL";

  {
    Child updater(dir / L"PARLEYNEST-Updater.exe",
                  L"--installer \"" + (dir / L"setup.exe").wstring() + L"\" --app-exe \"" +
                      beside_test(L"fake_app.exe").wstring() + L"\" --log \"" + log.wstring() +
                      L"\"");
    // Its verdict is logged before the dialog that waits for the user: the
    // run is ended there (its private folder goes with the next run).
    const auto decided = [&] {
      const std::string text = read_bytes(log);
      return text.find(" failed: ") != text.npos || text.find(" signature ok") != text.npos;
    };
    for (int i = 0; i < 1200 && updater.running() && !decided(); ++i) Sleep(100);
  }
  EXPECT_FALSE(std::filesystem::exists(marker));
  EXPECT_NE(read_bytes(log).find(" failed: Authenticode 검증 실패 (코드=0x800B0100)\n"),
            std::string::npos)
      << read_bytes(log);
}

}  // namespace
}  // namespace updater
