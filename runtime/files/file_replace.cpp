// Whole-file replacement through a temporary file and a rename.
#include "files/file_replace.hpp"

#include <errno.h>

#include <cstdio>
#include <cstring>

#include "platform/platform.hpp"

namespace zrv {

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
  if (!platform::replace_begin(full, &target_, &error_)) return false;
  if (target_.temp.size() >= kPathBufferSize) {
    platform::replace_abort(&target_);
    return false;
  }
  stream_.handle = target_.fd;
  stream_.size = 0;
  stream_.pos = 0;
  return true;
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
  // The descriptor belongs to the replacement from here on.
  stream_.handle = -1;
  stream_.close();
  if (failed_) {
    platform::replace_abort(&target_);
    return false;
  }
  return platform::replace_commit(&target_, &error_);
}

void FileReplacer::abort() {
  if (!stream_.is_open()) return;
  stream_.handle = -1;
  stream_.close();
  platform::replace_abort(&target_);
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
