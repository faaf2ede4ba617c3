#include <windows.h>
#include <sddl.h>

#include <array>
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

// Where the file or folder behind the handle really is ("\\?\C:\...").
std::wstring final_path_of(HANDLE file) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetFinalPathNameByHandleW(
        file, path.data(), static_cast<DWORD>(path.size()), FILE_NAME_NORMALIZED);
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(length);
  }
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

// Removes a folder that `folder` holds (with delete access, sharing no
// deletion, so nobody renames it meanwhile) and that was reached as
// `final_path`. A link is deleted itself. A folder whose real place is
// not `final_path` was reached through a link that the system does not
// show as one: it and what is behind it are left alone.
void remove_held_folder(HANDLE folder, const std::wstring& final_path) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(folder, &info)) return;
  if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return delete_through(folder);
  if (!same_path(final_path_of(folder), final_path)) return;

  for (const FolderEntry& entry : entries_of(folder)) {
    const std::wstring path = final_path + L"\\" + entry.name;
    if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) {
      remove_folder_tree(path);
      continue;
    }
    // A read-only file is made writable first; a link to a file is
    // deleted itself, as DeleteFile does.
    if (entry.attributes & FILE_ATTRIBUTE_READONLY)
      ::SetFileAttributesW(path.c_str(), entry.attributes & ~FILE_ATTRIBUTE_READONLY);
    ::DeleteFileW(path.c_str());
  }
  delete_through(folder);
}

}  // namespace

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

void remove_folder_tree(const std::wstring& final_path) {
  // Opened as itself, a link included, and held so that nobody renames it.
  const unique_file folder(
      ::CreateFileW(final_path.c_str(), DELETE | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (folder) remove_held_folder(folder.get(), final_path);
}

void remove_stale_private_folders() {
  auto temp = temp_folder();
  if (!temp) return;
  const unique_file temp_hold(::CreateFileW(
      temp->c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!temp_hold) return;
  const std::wstring temp_final = final_path_of(temp_hold.get());
  if (temp_final.empty()) return;

  for (const FolderEntry& entry : entries_of(temp_hold.get())) {
    if (!(entry.attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    // A name that is not valid text reads with U+FFFD: no updater's name.
    const std::optional<std::uint32_t> owner =
        private_folder_owner(win_common::from_wide(entry.name));
    // The process is gone when waiting for it takes no time: no process of
    // this id runs, or it has ended and only handles to it are left. One
    // that cannot be opened is taken to run.
    if (owner && wait_for_app_exit(*owner, std::chrono::nanoseconds(0)))
      remove_folder_tree(temp_final + L"\\" + entry.name);
  }
}

}  // namespace updater
