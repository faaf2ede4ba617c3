#include <windows.h>

#include "file_io.h"
#include "win_common/handles.h"
#include "win_common/utf.h"

namespace updater {
namespace {

bool write_all(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(bytes.size() > 0x40000000u ? 0x40000000u : bytes.size());
    DWORD written = 0;
    if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

bool write_file(std::string_view path, std::string_view bytes, DWORD access, DWORD share,
                DWORD disposition) {
  const std::wstring wide = win_common::to_wide(path);
  win_common::unique_file file(::CreateFileW(wide.c_str(), access, share, nullptr, disposition,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  return write_all(file.get(), bytes);
}

}  // namespace

bool append_file(std::string_view path, std::string_view bytes) {
  return write_file(path, bytes, FILE_APPEND_DATA,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_ALWAYS);
}

bool replace_file(std::string_view path, std::string_view bytes) {
  return write_file(path, bytes, GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS);
}

namespace {

win_common::unique_file open_shared_for_reading(const std::wstring& path, DWORD access) {
  return win_common::unique_file(::CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

win_common::unique_file hold_file(const std::wstring& path) {
  return open_shared_for_reading(path, GENERIC_READ | DELETE);
}

win_common::unique_file hold_running_file(const std::wstring& path) {
  return open_shared_for_reading(path, GENERIC_READ);
}

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

void delete_through(HANDLE held) {
  FILE_DISPOSITION_INFO disposition{TRUE};
  ::SetFileInformationByHandle(held, FileDispositionInfo, &disposition, sizeof disposition);
}

void delete_held(win_common::unique_file& held) {
  if (!held) return;
  delete_through(held.get());
  held.reset();
}

}  // namespace updater
