#pragma once
// The few file operations of the run; each reports only whether it worked.

#include <memory>
#include <string_view>

namespace updater {

// Appends in one write, creating the file when missing. While it is open
// others may read, write and delete it.
bool append_file(std::string_view path, std::string_view bytes);

// Creates the file or truncates it, then writes the bytes.
bool replace_file(std::string_view path, std::string_view bytes);

bool delete_file(std::string_view path);

#ifdef _WIN32
// Opens the file for reading and shares only reading, so that while the
// token lives no one can write, replace or delete it. None when it cannot
// be opened.
std::shared_ptr<void> hold_file(std::string_view path);
#endif

}  // namespace updater
