// What docs/SECURITY.md promises and only Windows itself can show: Wine
// keeps no access lists, lets a folder holding an open file be renamed and
// prefers its own DLLs. Under Wine these tests are skipped and say why.
#include <windows.h>
#include <aclapi.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <vector>

#include "held_installer.h"
#include "private_folder.h"
#include "win_test_support.h"

namespace updater {
namespace {

using test_support::beside_test;
using test_support::Child;
using test_support::long_path;
using test_support::make_symbolic_link;
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

// Makes `at` a junction to the folder `target` (a full path): an empty
// folder with a mount-point record. 0, or the error.
DWORD make_junction(const std::filesystem::path& at, const std::filesystem::path& target) {
  if (!CreateDirectoryW(at.c_str(), nullptr)) return GetLastError();
  const win_common::unique_file folder(
      CreateFileW(at.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!folder) return GetLastError();
  // The record: its tag, the length of what follows the first 8 bytes, a
  // reserved word; the offsets and lengths in bytes (no terminator) of the
  // two names within the names that follow, each ending with a zero.
  struct MountPointHeader {
    ULONG tag;
    USHORT data_length, reserved;
    USHORT substitute_offset, substitute_length, print_offset, print_length;
  };
  static_assert(sizeof(MountPointHeader) == 16);
  const std::wstring print = target.wstring(), substitute = L"\\??\\" + print;
  const std::wstring names = substitute + L'\0' + print + L'\0';
  const auto bytes = [](std::size_t chars) { return static_cast<USHORT>(chars * sizeof(wchar_t)); };
  const MountPointHeader header{IO_REPARSE_TAG_MOUNT_POINT,
                                static_cast<USHORT>(8 + bytes(names.size())),
                                0,
                                0,
                                bytes(substitute.size()),
                                bytes(substitute.size() + 1),
                                bytes(print.size())};
  std::vector<std::byte> record(sizeof header + bytes(names.size()));
  std::memcpy(record.data(), &header, sizeof header);
  std::memcpy(record.data() + sizeof header, names.data(), bytes(names.size()));
  DWORD returned = 0;
  if (!DeviceIoControl(folder.get(), FSCTL_SET_REPARSE_POINT, record.data(),
                       static_cast<DWORD>(record.size()), nullptr, 0, &returned, nullptr))
    return GetLastError();
  return 0;
}

// Whether anything, a link included (never followed), has this name.
bool named(const std::filesystem::path& p) {
  return GetFileAttributesW(p.c_str()) != INVALID_FILE_ATTRIBUTES;
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

// "Last in each run (...) the private folders of updaters that no longer
// run (killed, crashed) are removed the same way": "each entry is opened as
// itself (...) and deleted through that handle only when it is a link (the
// link goes) or its real place (...) lies where the folder being removed
// says; anything else is left, with what is behind it."
TEST(PrivateFolder, TheSweepRemovesLinksInsideAStaleFolderNeverWhatIsBehindThem) {
  PN_SKIP_UNDER_WINE("Wine makes neither NTFS symbolic links nor junctions");
  ScratchDir dir(L"links-sweep-" + std::to_wstring(GetCurrentProcessId()));
  const auto outside = long_path(dir.path()) / L"outside";
  const auto outside_file = long_path(dir.path()) / L"outside.txt";
  std::filesystem::create_directories(outside);
  write_bytes(outside / L"keep.txt", "a folder outside");
  write_bytes(outside_file, "a file outside");
  // No process has this id.
  const std::filesystem::path stale = std::filesystem::temp_directory_path() /
                                      win_common::to_wide(private_folder_name(4000000000u, 24));
  // Links first, so that nothing outside goes with what a failed run left.
  const auto clear = [&] {
    for (const wchar_t* link : {L"junction", L"folder-link"})
      RemoveDirectoryW((stale / link).c_str());
    std::error_code ignored;
    std::filesystem::remove_all(stale, ignored);
  };
  clear();
  std::filesystem::create_directories(stale);
  write_bytes(stale / L"own.txt", "the updater's own");
  ASSERT_EQ(make_junction(stale / L"junction", outside), 0u);
  ASSERT_EQ(make_symbolic_link(stale / L"folder-link", outside, true), 0u);
  ASSERT_EQ(make_symbolic_link(stale / L"file-link", outside_file), 0u);
  // Each leads outside: deleting what it reaches would be seen.
  ASSERT_EQ(read_bytes(stale / L"junction" / L"keep.txt"), "a folder outside");
  ASSERT_EQ(read_bytes(stale / L"folder-link" / L"keep.txt"), "a folder outside");
  ASSERT_EQ(read_bytes(stale / L"file-link"), "a file outside");

  remove_stale_private_folders();
  EXPECT_FALSE(named(stale)) << "the stale folder or a link in it was left";
  EXPECT_EQ(read_bytes(outside / L"keep.txt"), "a folder outside");
  EXPECT_EQ(read_bytes(outside_file), "a file outside");
  clear();
}

// "The name the updater was given is deleted, as itself: when that name is
// a link, the link goes (...), never the file behind it." A junction on the
// folders' path leads to the download, which goes, and only it.
TEST(DeleteDownload, ALinkGoesNotItsFileAndAJunctionOnThePathLeadsToTheDownloadOnly) {
  PN_SKIP_UNDER_WINE("Wine makes neither NTFS symbolic links nor junctions");
  ScratchDir dir(L"links-download-" + std::to_wstring(GetCurrentProcessId()));
  const auto base = long_path(dir.path());
  std::filesystem::create_directories(base / L"kept");
  std::filesystem::create_directories(base / L"real");
  write_bytes(base / L"kept" / L"setup.exe", "kept elsewhere");
  ASSERT_EQ(make_symbolic_link(base / L"setup.exe", base / L"kept" / L"setup.exe"), 0u);
  ASSERT_EQ(read_bytes(base / L"setup.exe"), "kept elsewhere");
  delete_download(utf8(base / L"setup.exe"));
  EXPECT_FALSE(named(base / L"setup.exe")) << "the link was left";
  EXPECT_EQ(read_bytes(base / L"kept" / L"setup.exe"), "kept elsewhere");

  write_bytes(base / L"real" / L"setup.exe", "the download");
  write_bytes(base / L"real" / L"other.txt", "beside it");
  ASSERT_EQ(make_junction(base / L"via", base / L"real"), 0u);
  ASSERT_EQ(read_bytes(base / L"via" / L"setup.exe"), "the download");
  delete_download(utf8(base / L"via" / L"setup.exe"));
  EXPECT_FALSE(named(base / L"real" / L"setup.exe")) << "the download was left";
  EXPECT_EQ(read_bytes(base / L"real" / L"other.txt"), "beside it");
  const DWORD via = GetFileAttributesW((base / L"via").c_str());
  EXPECT_TRUE(via != INVALID_FILE_ATTRIBUTES && (via & FILE_ATTRIBUTE_REPARSE_POINT))
      << "the junction went";
  RemoveDirectoryW((base / L"via").c_str());
}

}  // namespace
}  // namespace updater
