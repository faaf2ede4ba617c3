// The same file operations on POSIX systems, so that the portable parts of
// the run can be exercised natively.
#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "file_io.h"

namespace updater {
namespace {

bool write_file(std::string_view path, std::string_view bytes, int flags) {
  const int fd = ::open(std::string(path).c_str(), flags, 0644);
  if (fd < 0) return false;
  bool ok = true;
  while (ok && !bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    ok = n > 0;
    if (ok) bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  ::close(fd);
  return ok;
}

}  // namespace

bool append_file(std::string_view path, std::string_view bytes) {
  return write_file(path, bytes, O_WRONLY | O_CREAT | O_APPEND);
}

bool replace_file(std::string_view path, std::string_view bytes) {
  return write_file(path, bytes, O_WRONLY | O_CREAT | O_TRUNC);
}

}  // namespace updater
