#pragma once
// The updater's private folders: one per run under the user's temp folder,
// named "PARLEYNEST-Updater-<pid>-<n>" after the process that made it, and
// removed with everything in it at the end of that run. Folders that a
// killed or crashed updater left behind are removed by a later run.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace updater {

inline constexpr std::string_view kPrivateFolderPrefix = "PARLEYNEST-Updater-";

// "PARLEYNEST-Updater-<pid>-<n>".
std::string private_folder_name(std::uint32_t pid, unsigned attempt);

// The pid of the updater that made a folder of this name; nothing for any
// other name (only decimal digits as written by private_folder_name, a pid
// that fits 32 bits).
std::optional<std::uint32_t> private_folder_owner(std::string_view name);

}  // namespace updater

#ifdef _WIN32
#include <windows.h>

#include <expected>

#include "win_common/handles.h"

namespace updater {

// A fresh folder under the user's temp folder that only the current user
// may use, held against renaming and deletion until the value goes.
struct PrivateFolder {
  std::wstring path;        // as made, for the paths of what goes in it
  std::wstring final_path;  // where it really is, links resolved
  win_common::unique_file hold;
};
std::expected<PrivateFolder, DWORD> make_private_folder();

// Removes the folder with everything in it: subfolders and read-only files
// and folders too. Each entry is opened as itself and removed through that
// handle only when it lies where the folder's path says; a link inside is
// removed itself, never followed, and anything that is not where it should
// be (reached through a link) is left alone, with what is behind it. What
// is still in use is left, with no retry and no failure.
void remove_folder_tree(const std::wstring& final_path);

// The same for whatever `final_path` names, a file or (`folder`) a folder:
// a link is removed itself; anything else only when it really is at
// `final_path` (a path as final_path_of gives it).
void remove_entry(const std::wstring& final_path, bool folder);

// Removes the private folders under the user's temp folder whose updater
// no longer runs, at most 200 of them or for 2 s; the rest are left for a
// later run. Those of running processes are never touched.
void remove_stale_private_folders();

}  // namespace updater
#endif
