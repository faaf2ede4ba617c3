#include <windows.h>
#include <sddl.h>

#include <array>
#include <cstddef>
#include <vector>

#include "file_io.h"
#include "held_installer.h"
#include "win_common/error_text.h"
#include "win_common/handles.h"
#include "win_common/utf.h"

namespace updater {
namespace {

using win_common::unique_file;

constexpr DWORD kCopyChunk = 1u << 20;
constexpr unsigned kFolderAttempts = 100;

std::string hold_failed(DWORD code) {
  return "설치 파일 잠금 실패: " + win_common::windows_error_text(code);
}

std::string copy_failed(DWORD code) {
  return "설치 파일 복사 실패: " + win_common::windows_error_text(code);
}

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

// A folder that did not exist before, made under the user's temp folder
// with the given security. CreateDirectory makes only a new folder, so a
// name that anything (a link included) took beforehand is passed over.
std::expected<std::wstring, DWORD> make_private_folder(PSECURITY_DESCRIPTOR security) {
  std::array<wchar_t, MAX_PATH + 1> temp{};
  const DWORD length = ::GetTempPathW(static_cast<DWORD>(temp.size()), temp.data());
  if (length == 0) return std::unexpected(::GetLastError());
  if (length >= temp.size()) return std::unexpected(static_cast<DWORD>(ERROR_BUFFER_OVERFLOW));
  const std::wstring base = std::wstring(temp.data(), length) + L"PARLEYNEST-Updater-" +
                            win_common::to_wide(std::to_string(::GetCurrentProcessId())) + L"-";
  SECURITY_ATTRIBUTES attributes{sizeof attributes, security, FALSE};
  for (unsigned attempt = 0;; ++attempt) {
    // Digits through to_string: std::to_wstring would bring in a printf.
    std::wstring folder = base + win_common::to_wide(std::to_string(attempt));
    if (::CreateDirectoryW(folder.c_str(), &attributes)) return folder;
    const DWORD error = ::GetLastError();
    if (error != ERROR_ALREADY_EXISTS || attempt + 1 == kFolderAttempts)
      return std::unexpected(error);
  }
}

// Copies the whole of `from`, read from its start, to `to`.
std::expected<void, DWORD> copy_contents(HANDLE from, HANDLE to) {
  if (!::SetFilePointerEx(from, LARGE_INTEGER{}, nullptr, FILE_BEGIN))
    return std::unexpected(::GetLastError());
  std::vector<char> buffer(kCopyChunk);
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(from, buffer.data(), kCopyChunk, &read, nullptr))
      return std::unexpected(::GetLastError());
    if (read == 0) return {};
    DWORD written = 0;
    if (!::WriteFile(to, buffer.data(), read, &written, nullptr))
      return std::unexpected(::GetLastError());
    if (written != read) return std::unexpected(static_cast<DWORD>(ERROR_WRITE_FAULT));
  }
}

void close_search(HANDLE search) { ::FindClose(search); }
using unique_search = win_common::unique_resource<HANDLE, close_search, -1>;

// Deletes the files that the installer may have left beside its copy.
void delete_files_in(const std::wstring& folder) {
  WIN32_FIND_DATAW found{};
  const unique_search search(::FindFirstFileW((folder + L"\\*").c_str(), &found));
  if (!search) return;
  do {
    if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
      continue;
    ::DeleteFileW((folder + L"\\" + found.cFileName).c_str());
  } while (::FindNextFileW(search.get(), &found));
}

class PrivateCopy final : public HeldInstaller {
 public:
  ~PrivateCopy() override {
    delete_held(copy_);
    if (!folder_) return;
    delete_files_in(folder_path_);
    folder_.reset();
    ::RemoveDirectoryW(folder_path_.c_str());
  }

  std::string_view path() const override { return copy_path_; }
  void* file() const override { return copy_.get(); }
  void delete_installer() override { delete_held(original_); }

  std::expected<void, std::string> make(std::string_view installer) {
    original_ = hold_file(win_common::to_wide(installer));
    if (!original_) return std::unexpected(hold_failed(::GetLastError()));

    auto security = current_user_only();
    if (!security) return std::unexpected(copy_failed(security.error()));
    auto folder = make_private_folder(security->get());
    if (!folder) return std::unexpected(copy_failed(folder.error()));
    // Held against renaming and deletion until the end.
    folder_.reset(::CreateFileW(folder->c_str(), FILE_LIST_DIRECTORY,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder_) {
      const DWORD error = ::GetLastError();
      ::RemoveDirectoryW(folder->c_str());
      return std::unexpected(copy_failed(error));
    }
    folder_path_ = std::move(*folder);

    const std::wstring copy =
        folder_path_ + L"\\" + win_common::to_wide(private_copy_name(installer));
    // A temp folder whose name is not valid text could not be started by
    // the name the run holds.
    std::optional<std::string> copy_utf8 = win_common::utf16_to_utf8_strict(
        std::u16string_view(reinterpret_cast<const char16_t*>(copy.data()), copy.size()));
    if (!copy_utf8) return std::unexpected(copy_failed(ERROR_INVALID_NAME));
    {
      unique_file writer(::CreateFileW(copy.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_TEMPORARY, nullptr));
      if (!writer) return std::unexpected(copy_failed(::GetLastError()));
      if (auto copied = copy_contents(original_.get(), writer.get()); !copied) {
        delete_held(writer);
        return std::unexpected(copy_failed(copied.error()));
      }
    }
    // Starting a program needs no writer open on it: the copy is held for
    // reading only, from here until it is deleted.
    copy_ = hold_file(copy);
    if (!copy_) {
      const DWORD error = ::GetLastError();
      ::DeleteFileW(copy.c_str());
      return std::unexpected(hold_failed(error));
    }
    copy_path_ = std::move(*copy_utf8);
    return {};
  }

 private:
  // In the order they are taken; the destructor deletes the copy, then its
  // folder, and lets the download go.
  unique_file original_;
  std::wstring folder_path_;
  unique_file folder_;
  unique_file copy_;
  std::string copy_path_;
};

}  // namespace

std::expected<std::unique_ptr<HeldInstaller>, std::string> hold_installer(
    std::string_view installer) {
  auto held = std::make_unique<PrivateCopy>();
  if (auto made = held->make(installer); !made) return std::unexpected(std::move(made.error()));
  return held;
}

}  // namespace updater
