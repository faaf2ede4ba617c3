#pragma once
// The installer as the Verify and Install steps use it: held from before
// its check until the end of the run, checked through the open file and
// started from a path that names that very file.

#include <expected>
#include <memory>
#include <string>
#include <string_view>

namespace updater {

class HeldInstaller {
 public:
  virtual ~HeldInstaller() = default;
  // The file that is checked and started.
  virtual std::string_view path() const = 0;
  // The same file, open for reading (a Windows HANDLE); no one can write,
  // replace or delete it while it is held.
  virtual void* file() const = 0;
  // Lets the downloaded installer go and deletes it, as delete_download.
  virtual void delete_installer() = 0;
};

// The file name of the private copy: the installer's own, or
// "installer.exe" when its last component cannot name a file in a folder
// (empty, a folder alias once trailing dots and blanks are gone, a drive or
// a stream, a character Windows refuses in names, or a device such as NUL).
std::string private_copy_name(std::string_view installer);

}  // namespace updater

#ifdef _WIN32
#include "win_common/handles.h"

namespace updater {

// Holds the downloaded installer (others may still read it, nothing more),
// copies it through that hold into a fresh folder under the user's temp
// folder that only the current user may use, and holds the copy the same
// way. The copy is what gets checked and started; it and its folder are
// deleted when the object goes. Errors: "설치 파일 잠금 실패: " or
// "설치 파일 복사 실패: " with the Windows error text.
std::expected<std::unique_ptr<HeldInstaller>, std::string> hold_installer(
    std::string_view installer);

// The same once the download is held (`original`, as hold_file holds it):
// what is copied is what `original` holds, whatever `installer` names by
// now; `installer` gives the copy its name and is what is deleted.
std::expected<std::unique_ptr<HeldInstaller>, std::string> copy_held_installer(
    win_common::unique_file original, std::string_view installer);

// Deletes the name `installer` and nothing else: when that name is a link,
// the link itself where the system lets it be removed, never the file
// behind it (Wine shows a Unix link as that file: then nothing goes).
void delete_download(std::string_view installer);

}  // namespace updater
#endif
