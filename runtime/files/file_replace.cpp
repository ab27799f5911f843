// Whole-file replacement through a temporary file and a rename.
#include "files/file_replace.hpp"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace zrv {

namespace {

// Distinguishes the temporary files of one process.
uint32_t next_temp_serial() {
  static uint32_t serial = 0;
  return ++serial;
}

}  // namespace

std::string path_folder_part(const char* name) {
  const char* part = path_file_part(name);
  return std::string(name, static_cast<size_t>(part - name));
}

bool FileReplacer::begin(const char* target) {
  abort();
  failed_ = false;
  error_ = 0;
  if (target == nullptr || target[0] == 0 || memfile_is_name(target)) return false;
  char native[kPathBufferSize];
  if (!path_to_platform(target, native)) return false;
  if (path_file_part(native)[0] == 0) return false;  // names a folder, not a file
  // The full name: a folder of that name removed at the commit may be the
  // current one, and leaving it must not move the target.
  const std::string full = path_absolute(native);
  if (full.size() >= kPathBufferSize) return false;
  std::strcpy(native, full.c_str());
  struct stat st;
  if (::stat(native, &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
    // A device or a pipe (/dev/stdout, say) is written in place: there is
    // no old content to keep, and renaming over it would replace the node.
    int fd = ::open(native, O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) {
      error_ = errno;
      return false;
    }
    stream_.handle = fd;
    in_place_ = true;
    return true;
  }
  // Through a symbolic link the file it points to is replaced, not the link.
  char resolved[PATH_MAX];
  if (::lstat(native, &st) == 0 && S_ISLNK(st.st_mode) && ::realpath(native, resolved) != nullptr &&
      std::strlen(resolved) < kPathBufferSize) {
    std::strcpy(native, resolved);
  }
  const std::string folder = path_folder_part(native);
  // The new file takes the old one's mode and, where the system permits,
  // its owner: a private file must not come back readable by all, nor a
  // script without its execute bit.
  struct stat old;
  const bool replaces = ::stat(native, &old) == 0 && S_ISREG(old.st_mode);

  // A short name of its own, so that long targets still fit the name limit;
  // the leading dot keeps it out of ordinary listings.
  for (int attempt = 0; attempt < 16; ++attempt) {
    char leaf[48];
    std::snprintf(leaf, sizeof leaf, ".zrv%x-%x.tmp", static_cast<unsigned>(::getpid()),
                  static_cast<unsigned>(next_temp_serial()));
    std::string temp = folder + leaf;
    if (temp.size() >= kPathBufferSize) return false;
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      error_ = errno;
      return false;
    }
    if (replaces) {
      // Owner first: a change of owner clears the set-id bits of the mode.
      // Where it is not permitted the file stays the writer's own, with the
      // old group when that is one of the writer's.
      if (::fchown(fd, old.st_uid, old.st_gid) != 0 &&
          ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {
        errno = 0;
      }
      ::fchmod(fd, old.st_mode & 07777);
    }
    stream_.handle = fd;
    stream_.size = 0;
    stream_.pos = 0;
    target_ = native;
    temp_ = temp;
    return true;
  }
  return false;
}

bool FileReplacer::write(const void* data, int64_t count) {
  if (!stream_.is_open() || failed_) return false;
  if (!stream_.write(data, count)) {
    failed_ = true;
    error_ = errno;
  }
  return !failed_;
}

bool FileReplacer::commit() {
  if (!stream_.is_open()) return false;
  bool ok = !failed_;
  auto check = [&](bool step) {
    if (ok && !step) {
      ok = false;
      error_ = errno;
    }
  };
  if (in_place_) {
    int fd = stream_.handle;
    stream_.handle = -1;
    stream_.close();
    in_place_ = false;
    check(::close(fd) == 0);
    return ok;
  }
  check(::fsync(stream_.handle) == 0);
  // close() reports late write errors on some file systems.
  int fd = stream_.handle;
  stream_.handle = -1;
  stream_.close();
  check(::close(fd) == 0);
  if (ok) {
    struct stat st;
    if (::lstat(target_.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
      // A fresh create replaces an empty folder of the same name.
      path_delete(target_.c_str());
    }
    check(::rename(temp_.c_str(), target_.c_str()) == 0);
  }
  if (!ok) ::unlink(temp_.c_str());
  temp_.clear();
  target_.clear();
  return ok;
}

void FileReplacer::abort() {
  if (!stream_.is_open()) return;
  stream_.close();
  if (in_place_) {
    in_place_ = false;
    return;
  }
  ::unlink(temp_.c_str());
  temp_.clear();
  target_.clear();
}

bool file_replace_whole(const char* target, const void* data, int64_t count, int* error) {
  FileReplacer out;
  const bool ok = out.begin(target) && out.write(data, count) && out.commit();
  if (error != nullptr) *error = ok ? 0 : out.error();
  return ok;
}

void report_write_back_failure(const char* what, const char* name, int error) {
  std::fprintf(stderr, "%s: cannot write '%s' back: %s\n", what, name,
               error != 0 ? std::strerror(error) : "the name cannot take a file");
  std::fflush(stderr);
}

}  // namespace zrv
