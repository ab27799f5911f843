// A file written whole that takes the place of the old one only when
// complete: the new bytes go to a temporary file beside the target, which is
// flushed to the disk and renamed over it. A failed write, or a process that
// dies half-way, leaves the old file as it was.
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/first_error.hpp"
#include "platform/platform.hpp"

namespace zrv::platform {

namespace {

// Distinguishes the temporary files of one process.
unsigned next_temp_serial() {
  static unsigned serial = 0;
  return ++serial;
}

bool fail(int* error) {
  if (error != nullptr) *error = errno;
  return false;
}

}  // namespace

bool replace_begin(const std::string& target, ReplaceTarget* t, int* error) {
  *t = ReplaceTarget{};
  if (error != nullptr) *error = 0;
  std::string native = target;
  struct stat st;
  if (::stat(native.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
    // A device or a pipe (/dev/stdout, say) is written in place: there is
    // no old content to keep, and renaming over it would replace the node.
    t->fd = ::open(native.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (t->fd < 0) return fail(error);
    t->in_place = true;
    t->target = native;
    return true;
  }
  // Through a symbolic link the file it points to is replaced, not the link.
  char resolved[PATH_MAX];
  if (::lstat(native.c_str(), &st) == 0 && S_ISLNK(st.st_mode) &&
      ::realpath(native.c_str(), resolved) != nullptr) {
    native = resolved;
  }
  // The new file takes the old one's mode and, where the system permits,
  // its owner: a private file must not come back readable by all, nor a
  // script without its execute bit.
  struct stat old;
  const bool replaces = ::stat(native.c_str(), &old) == 0 && S_ISREG(old.st_mode);
  const std::string folder = native.substr(0, native.find_last_of('/') + 1);
  // A short name of its own, so that long targets still fit the name limit;
  // the leading dot keeps it out of ordinary listings.
  for (int attempt = 0; attempt < 16; ++attempt) {
    char leaf[48];
    std::snprintf(leaf, sizeof leaf, ".zrv%x-%x.tmp", static_cast<unsigned>(::getpid()),
                  next_temp_serial());
    const std::string temp = folder + leaf;
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return fail(error);
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
    t->fd = fd;
    t->target = native;
    t->temp = temp;
    return true;
  }
  errno = EEXIST;
  return fail(error);
}

bool replace_commit(ReplaceTarget* t, int* error) {
  if (error != nullptr) *error = 0;
  if (t->fd < 0) return false;
  const int fd = t->fd;
  t->fd = -1;
  FirstError steps(error);
  if (!t->in_place) steps.check(::fsync(fd) == 0);
  // close() reports late write errors on some file systems.
  steps.check(::close(fd) == 0);
  if (!t->in_place) {
    if (steps.ok()) {
      struct stat st;
      // A fresh file replaces an empty folder of the same name.
      if (::lstat(t->target.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) ::rmdir(t->target.c_str());
      steps.check(::rename(t->temp.c_str(), t->target.c_str()) == 0);
    }
    if (!steps.ok()) ::unlink(t->temp.c_str());
  }
  *t = ReplaceTarget{};
  return steps.ok();
}

bool same_file(const char* a, const char* b) {
  struct stat sa, sb;
  return a != nullptr && b != nullptr && ::stat(a, &sa) == 0 && ::stat(b, &sb) == 0 &&
         sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

std::FILE* replace_stream(ReplaceTarget* t) {
  const int fd = t->fd >= 0 ? ::dup(t->fd) : -1;
  if (fd < 0) return nullptr;
  ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  std::FILE* stream = ::fdopen(fd, "wb");
  if (stream == nullptr) ::close(fd);
  return stream;
}

void replace_abort(ReplaceTarget* t) {
  if (t->fd < 0) return;
  ::close(t->fd);
  if (!t->in_place) ::unlink(t->temp.c_str());
  *t = ReplaceTarget{};
}

}  // namespace zrv::platform
