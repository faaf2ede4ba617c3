#pragma once
// The few file operations of the run; each reports only whether it worked.

#include <string_view>

namespace updater {

// Appends in one write, creating the file when missing. While it is open
// others may read, write and delete it.
bool append_file(std::string_view path, std::string_view bytes);

// Creates the file or truncates it, then writes the bytes.
bool replace_file(std::string_view path, std::string_view bytes);

}  // namespace updater

#ifdef _WIN32
#include <string>

#include "win_common/handles.h"

namespace updater {

// Opens the file for reading and deleting and shares only reading, so that
// while the handle lives no one else can write, replace, rename or delete
// it. Invalid when it cannot be opened; the thread's last error says why.
win_common::unique_file hold_file(const std::wstring& path);

// The same hold for a file that another program runs or reads: reading
// only, so that a program that opens its own file sharing only reading (as
// installers do) still can. No one can write, rename or delete it either.
win_common::unique_file hold_running_file(const std::wstring& path);

// Where the file or folder behind the handle really is, links resolved
// ("\\?\C:\..."); empty when the system cannot tell.
std::wstring final_path_of(HANDLE file);

// Deletes the file or empty folder behind a handle that has delete access,
// wherever it is now; it goes when the last handle to it is closed. A
// failure (a folder that is not empty) is ignored.
void delete_through(HANDLE held);

// The same, and closes the handle.
void delete_held(win_common::unique_file& held);

}  // namespace updater
#endif
