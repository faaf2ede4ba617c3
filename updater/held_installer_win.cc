#include <windows.h>

#include <vector>

#include "file_io.h"
#include "held_installer.h"
#include "private_folder.h"
#include "process_control.h"
#include "win_common/error_text.h"
#include "win_common/handles.h"
#include "win_common/utf.h"

namespace updater {
namespace {

using win_common::unique_file;

constexpr DWORD kCopyChunk = 1u << 20;

std::string hold_failed(DWORD code) {
  return "설치 파일 잠금 실패: " + win_common::windows_error_text(code);
}

std::string copy_failed(DWORD code) {
  return "설치 파일 복사 실패: " + win_common::windows_error_text(code);
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

// The handles of one run, each with its access and sharing, from when to
// when, and why:
//
// | handle    | access              | others may | held                          |
// |-----------|---------------------|------------|-------------------------------|
// | original_ | read, delete        | read       | Verify step to the deletion   |
// | folder_   | list                | read/write | folder made to end of run     |
// | writer    | write, delete       | nothing    | while the copy is written     |
// | copy_     | read                | read       | copy written to end of run    |
//
// - The download cannot be written, renamed or deleted by anyone while we
//   copy it. At the end the hold goes and the name we were given is
//   deleted, as itself: never a file that a link there leads to.
// - The private folder cannot be renamed or deleted, so the copy's path
//   keeps naming the copy; the installer may still work inside it.
// - The copy is what the trust check reads (through copy_) and what is
//   started. copy_ has no write or delete access: installers open their
//   own file to read their payload, sharing only reading (NSIS, and Inno
//   Setup in both its stages), which a handle of ours with delete access
//   would refuse. Sharing only reading, copy_ still keeps anyone from
//   writing, renaming or deleting the copy. After the installer has ended
//   copy_ is closed and the copy is opened again to be deleted, with the
//   rest of the private folder (which only this user may use).
class PrivateCopy final : public HeldInstaller {
 public:
  ~PrivateCopy() override {
    copy_.reset();
    if (!folder_.hold) return;
    folder_.hold.reset();
    remove_folder_tree(folder_.final_path);
  }

  std::string_view path() const override { return copy_path_; }
  void* file() const override { return copy_.get(); }
  void delete_installer() override {
    // Our own hold shares no deletion: it goes first.
    original_.reset();
    delete_download(installer_);
  }

  std::expected<void, std::string> make(unique_file original, std::string_view installer) {
    installer_ = installer;
    original_ = std::move(original);

    auto folder = make_private_folder();
    if (!folder) return std::unexpected(copy_failed(folder.error()));
    folder_ = std::move(*folder);

    const std::wstring copy =
        folder_.path + L"\\" + win_common::to_wide(private_copy_name(installer));
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
    copy_ = hold_running_file(copy);
    if (!copy_) return std::unexpected(hold_failed(::GetLastError()));
    copy_path_ = std::move(*copy_utf8);
    return {};
  }

 private:
  std::string installer_;
  // In the order they are taken.
  unique_file original_;
  PrivateFolder folder_;
  unique_file copy_;
  std::string copy_path_;
};

}  // namespace

void delete_download(std::string_view installer) {
  // The name in the real place of its folder: a link on the folders'
  // path is followed (the name lies behind it), the last one never.
  const std::wstring full = win_common::to_wide(full_path_from_current_folder(installer));
  const std::size_t separator = full.find_last_of(L"\\/");
  if (separator == std::wstring::npos || separator + 1 == full.size()) return;
  // With its separator, so that "C:\" stays the root.
  const unique_file folder(
      ::CreateFileW(full.substr(0, separator + 1).c_str(), FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  std::wstring name = folder ? final_path_of(folder.get()) : std::wstring();
  if (name.empty()) return;
  if (!name.ends_with(L'\\')) name += L'\\';
  remove_entry(name + full.substr(separator + 1), false);
}

std::expected<std::unique_ptr<HeldInstaller>, std::string> hold_installer(
    std::string_view installer) {
  unique_file original = hold_file(win_common::to_wide(installer));
  if (!original) return std::unexpected(hold_failed(::GetLastError()));
  return copy_held_installer(std::move(original), installer);
}

std::expected<std::unique_ptr<HeldInstaller>, std::string> copy_held_installer(
    win_common::unique_file original, std::string_view installer) {
  auto held = std::make_unique<PrivateCopy>();
  if (auto made = held->make(std::move(original), installer); !made)
    return std::unexpected(std::move(made.error()));
  return held;
}

}  // namespace updater
