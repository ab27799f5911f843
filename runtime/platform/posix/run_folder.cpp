// The run's private folder for the log and the files the runtime must make
// in the temporary folder. The temporary folder is shared with every user of
// the machine: any name in it may already be a link, a pipe or another
// user's file. So nothing is made there by a fixed name. Each user gets one
// folder, "zorvane-<uid>", of mode 0700 that must be a real folder of the
// user's own; each run gets a fresh folder inside it, "<program>-<pid>-XXXXXX";
// files in it are made new, never opened by a name that already exists.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/platform.hpp"
#include "platform/run_folder_parts.hpp"

namespace zrv::platform {

namespace {

// A folder that only this user can enter: made with mode 0700 when missing;
// an existing one must be a folder (not a link) owned by the user, and loses
// any access of others.
bool private_folder(const std::string& path) {
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
  const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  bool ok = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
  if (ok && (st.st_mode & 077) != 0) ok = ::fchmod(fd, 0700) == 0;
  ::close(fd);
  return ok;
}

// Removes the folders of this program's earlier runs whose process is gone
// (their log has been kept until now, for the run after them to replace).
void remove_ended_runs(const std::string& user_folder, const std::string& tag) {
  const int dir_fd = ::open(user_folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (dir_fd < 0) return;
  DIR* dir = ::fdopendir(dir_fd);
  if (dir == nullptr) {
    ::close(dir_fd);
    return;
  }
  const std::string prefix = tag + "-";
  while (dirent* entry = ::readdir(dir)) {
    const char* name = entry->d_name;
    if (std::strncmp(name, prefix.c_str(), prefix.size()) != 0) continue;
    char* end = nullptr;
    const long pid = std::strtol(name + prefix.size(), &end, 10);
    if (pid <= 0 || end == nullptr || *end != '-' || std::strlen(end) != 7) continue;
    if (pid == ::getpid() || ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    const int run_fd = ::openat(dir_fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (run_fd < 0) continue;
    if (DIR* run = ::fdopendir(run_fd)) {
      while (dirent* file = ::readdir(run)) {
        if (std::strcmp(file->d_name, ".") != 0 && std::strcmp(file->d_name, "..") != 0)
          ::unlinkat(run_fd, file->d_name, 0);
      }
      ::closedir(run);
    } else {
      ::close(run_fd);
    }
    ::unlinkat(dir_fd, name, AT_REMOVEDIR);
  }
  ::closedir(dir);
}

}  // namespace

std::string run_folder_make() {
  const std::string tag = program_tag();
  const std::string temp = temp_directory();
  const std::string user = temp + "/zorvane-" + std::to_string(::geteuid());
  const std::string run_name = tag + "-" + std::to_string(::getpid()) + "-XXXXXX";
  std::string pattern;
  const bool tidy = private_folder(user);
  if (tidy) {
    remove_ended_runs(user, tag);
    pattern = user + "/" + run_name;
  } else {
    // Someone else holds the user's folder name: a run folder of its own
    // in the temporary folder is just as private, only not kept tidy.
    pattern = user + "-" + run_name;
  }
  if (::mkdtemp(pattern.data()) == nullptr) return std::string();
  if (tidy) {
    // "<program>.log" in the user's folder always leads to the newest run's
    // log; the link is made beside it and renamed over the old one.
    const std::string target = pattern.substr(user.size() + 1) + "/ErrorLog.txt";
    const std::string link = user + "/" + tag + ".log";
    const std::string fresh = link + "." + std::to_string(::getpid());
    ::unlink(fresh.c_str());
    if (::symlink(target.c_str(), fresh.c_str()) == 0 && ::rename(fresh.c_str(), link.c_str()) != 0)
      ::unlink(fresh.c_str());
  }
  return pattern;
}

bool run_folder_present(const std::string& folder) {
  struct stat st;
  return ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int file_create_new(const std::string& path) {
  return ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
}

}  // namespace zrv::platform
