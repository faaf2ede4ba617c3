#include <windows.h>
#include <sddl.h>

#include <array>
#include <chrono>
#include <cstddef>
#include <vector>

#include "file_io.h"
#include "private_folder.h"
#include "process_control.h"
#include "win_common/handles.h"
#include "win_common/utf.h"

namespace updater {
namespace {

using win_common::unique_file;

constexpr unsigned kFolderAttempts = 100;
// The most one run's sweep of stale folders removes, and its longest time.
constexpr unsigned kSweepFolders = 200;
constexpr std::chrono::seconds kSweepTime{2};

// A security descriptor that gives the current user full control of a
// folder and of everything made in it, and no one else anything. Nothing
// is inherited from the folders above.
std::expected<win_common::unique_local, DWORD> current_user_only() {
  win_common::unique_handle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put()))
    return std::unexpected(::GetLastError());
  DWORD size = 0;
  ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  // operator new aligns the buffer for TOKEN_USER.
  std::vector<std::byte> user(size);
  if (size == 0 || !::GetTokenInformation(token.get(), TokenUser, user.data(), size, &size))
    return std::unexpected(::GetLastError());
  wchar_t* sid = nullptr;
  if (!::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &sid))
    return std::unexpected(::GetLastError());
  const win_common::unique_local sid_owner(sid);
  // P: protected from inheritance; OICI: files and folders made inside
  // inherit the one entry; FA: full access.
  const std::wstring sddl = L"D:P(A;OICI;FA;;;" + std::wstring(sid) + L")";
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                              &descriptor, nullptr))
    return std::unexpected(::GetLastError());
  return win_common::unique_local(descriptor);
}

std::expected<std::wstring, DWORD> temp_folder() {
  std::array<wchar_t, MAX_PATH + 1> temp{};
  const DWORD length = ::GetTempPathW(static_cast<DWORD>(temp.size()), temp.data());
  if (length == 0) return std::unexpected(::GetLastError());
  if (length >= temp.size()) return std::unexpected(static_cast<DWORD>(ERROR_BUFFER_OVERFLOW));
  return std::wstring(temp.data(), length);
}

bool same_path(const std::wstring& a, const std::wstring& b) {
  return !a.empty() && ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

struct FolderEntry {
  std::wstring name;
  DWORD attributes = 0;
};

// What the folder behind the handle holds, read through that handle (a
// search by path would open the folder again, which our hold with delete
// access refuses).
std::vector<FolderEntry> entries_of(HANDLE folder) {
  std::vector<FolderEntry> entries;
  // operator new aligns the buffer for the records.
  std::vector<std::byte> buffer(64 * 1024);
  FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
  while (::GetFileInformationByHandleEx(folder, kind, buffer.data(),
                                        static_cast<DWORD>(buffer.size()))) {
    kind = FileIdBothDirectoryInfo;
    for (std::size_t offset = 0;;) {
      const auto* info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer.data() + offset);
      std::wstring name(info->FileName, info->FileNameLength / sizeof(wchar_t));
      if (name != L"." && name != L"..") entries.push_back({std::move(name), info->FileAttributes});
      if (info->NextEntryOffset == 0) break;
      offset += info->NextEntryOffset;
    }
  }
  return entries;
}

// Removes what `held` holds as itself (with delete access, sharing no
// deletion, so that nobody renames it meanwhile) when it is where `path`
// says: a folder with everything in it, or a file. A link is removed
// itself, never followed. Anything whose real place is elsewhere was
// reached through a link that the system does not show as one (a Unix
// link under Wine): it and what is behind it are left alone.
void remove_held(HANDLE held, const std::wstring& path) {
  FILE_BASIC_INFO basic{};
  if (!::GetFileInformationByHandleEx(held, FileBasicInfo, &basic, sizeof basic)) return;
  if (!(basic.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    if (!same_path(final_path_of(held), path)) return;
    if (basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      for (const FolderEntry& entry : entries_of(held))
        remove_entry(path + L"\\" + entry.name, entry.attributes & FILE_ATTRIBUTE_DIRECTORY);
  }
  // On NTFS a read-only file or folder refuses the delete disposition:
  // the attribute goes first (no other attribute changes, no time).
  if (basic.FileAttributes & FILE_ATTRIBUTE_READONLY) {
    FILE_BASIC_INFO writable{};
    writable.FileAttributes = basic.FileAttributes & ~FILE_ATTRIBUTE_READONLY;
    if (writable.FileAttributes == 0) writable.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    ::SetFileInformationByHandle(held, FileBasicInfo, &writable, sizeof writable);
  }
  delete_through(held);
}

}  // namespace

void remove_entry(const std::wstring& path, bool folder) {
  const unique_file held(::CreateFileW(
      path.c_str(),
      DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | (folder ? FILE_LIST_DIRECTORY : 0),
      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (held) remove_held(held.get(), path);
}

std::expected<PrivateFolder, DWORD> make_private_folder() {
  auto security = current_user_only();
  if (!security) return std::unexpected(security.error());
  auto temp = temp_folder();
  if (!temp) return std::unexpected(temp.error());
  SECURITY_ATTRIBUTES attributes{sizeof attributes, security->get(), FALSE};
  for (unsigned attempt = 0;; ++attempt) {
    // CreateDirectory makes only a new folder, so a name that anything (a
    // link included) took beforehand is passed over.
    std::wstring path =
        *temp + win_common::to_wide(private_folder_name(::GetCurrentProcessId(), attempt));
    if (::CreateDirectoryW(path.c_str(), &attributes)) {
      // Held against renaming and deletion until the end of the run; the
      // installer may still list and change what is inside.
      unique_file hold(::CreateFileW(path.c_str(), FILE_LIST_DIRECTORY,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS, nullptr));
      std::wstring final_path = hold ? final_path_of(hold.get()) : std::wstring();
      if (final_path.empty()) {
        const DWORD error = ::GetLastError();
        hold.reset();
        ::RemoveDirectoryW(path.c_str());
        return std::unexpected(error);
      }
      return PrivateFolder{std::move(path), std::move(final_path), std::move(hold)};
    }
    const DWORD error = ::GetLastError();
    if (error != ERROR_ALREADY_EXISTS || attempt + 1 == kFolderAttempts)
      return std::unexpected(error);
  }
}

void remove_folder_tree(const std::wstring& final_path) { remove_entry(final_path, true); }

void remove_stale_private_folders() {
  auto temp = temp_folder();
  if (!temp) return;
  const unique_file temp_hold(::CreateFileW(
      temp->c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!temp_hold) return;
  const std::wstring temp_final = final_path_of(temp_hold.get());
  if (temp_final.empty()) return;

  // Bounded, so that a temp folder full of them costs one run little; the
  // rest go in later runs.
  const auto end = std::chrono::steady_clock::now() + kSweepTime;
  unsigned left = kSweepFolders;
  for (const FolderEntry& entry : entries_of(temp_hold.get())) {
    if (left == 0 || std::chrono::steady_clock::now() > end) return;
    if (!(entry.attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    // A name that is not valid text reads with U+FFFD: no updater's name.
    const std::optional<std::uint32_t> owner =
        private_folder_owner(win_common::from_wide(entry.name));
    // The process is gone when waiting for it takes no time: no process of
    // this id runs, or it has ended and only handles to it are left. One
    // that cannot be opened is taken to run.
    if (owner && wait_for_app_exit(*owner, std::chrono::nanoseconds(0))) {
      remove_folder_tree(temp_final + L"\\" + entry.name);
      --left;
    }
  }
}

}  // namespace updater
