// Names in folders on POSIX systems.
#include "platform/folders.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/environment.hpp"
#include "platform/path_names.hpp"

namespace zrv::platform {

bool folder_make(const char* path, uint32_t mode) {
  return ::mkdir(path, static_cast<mode_t>(mode)) == 0;
}

bool folder_remove(const char* path) { return ::rmdir(path) == 0; }

bool file_remove(const char* path) { return ::unlink(path) == 0; }

bool folder_opens(const char* path) {
  const int fd = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

bool permissions_set(const char* path, uint32_t mode) {
  return ::chmod(path, static_cast<mode_t>(mode & 07777)) == 0;
}

bool real_path(const char* path, std::string* resolved) {
  char buffer[PATH_MAX];
  if (::realpath(path, buffer) == nullptr) return false;
  resolved->assign(buffer);
  return true;
}

bool folder_list(const char* path, std::vector<FolderEntry>* entries) {
  entries->clear();
  DIR* dir = ::opendir(path);
  if (dir == nullptr) return false;
  while (const dirent* entry = ::readdir(dir)) {
    bool is_folder = entry->d_type == DT_DIR;
    if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
      // The file system does not say, or it is a link: ask for what the
      // name leads to.
      struct stat st;
      is_folder = ::fstatat(::dirfd(dir), entry->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
    }
    entries->push_back(FolderEntry{entry->d_name, is_folder});
  }
  ::closedir(dir);
  return true;
}

std::string user_data_folder() {
  // The XDG rules: a relative setting is invalid and ignored.
  const char* data = std::getenv("XDG_DATA_HOME");
  if (path_is_absolute(data)) return without_final_slash(data);
  const std::string home = user_home();
  if (home.empty()) return std::string();
  return (home == "/" ? std::string() : home) + "/.local/share";
}

}  // namespace zrv::platform
