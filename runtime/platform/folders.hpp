// Names in folders: making and removing folders and files, listing a
// folder, resolving a name. The current folder is platform.hpp's. A call
// that fails leaves the system's error number in errno.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zrv::platform {

// A new folder with the permission bits given (less the process's mask);
// fails with EEXIST when the name is taken.
bool folder_make(const char* path, uint32_t mode);
// An empty folder.
bool folder_remove(const char* path);
// A name that is no folder; a link goes, not what it points to.
bool file_remove(const char* path);
// Whether the name is a folder that this process can open for reading.
bool folder_opens(const char* path);
// Sets the permission bits (07777) of what the name stands for.
bool permissions_set(const char* path, uint32_t mode);
// The absolute name without links, "." or ".." (every part must exist).
bool real_path(const char* path, std::string* resolved);

struct FolderEntry {
  std::string name;
  bool is_folder = false;  // a link counts as what it points to
};
// Every entry of the folder, "." and ".." included, in the system's order;
// false when the folder cannot be read.
bool folder_list(const char* path, std::vector<FolderEntry>* entries);

// Where the user's programs keep their data, without a final "/":
// $XDG_DATA_HOME when it is absolute, else ~/.local/share (POSIX, the
// browser's /home/web_user too); the local application-data folder
// (Windows). "" when there is none. Nothing is created.
std::string user_data_folder();

}  // namespace zrv::platform
