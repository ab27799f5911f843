// Whole-file replacement that never loses the old file: the new content goes
// to a temporary file beside the target, which is renamed over the target
// only once every byte is written and flushed. A failed write, or a process
// that dies half-way, leaves the old file as it was. Devices and pipes are
// written in place; through a symbolic link its file is replaced.
#pragma once

#include <cstdint>
#include <string>

#include "files/paths.hpp"
#include "files/rt_file.hpp"
#include "platform/platform.hpp"

namespace zrv {

class FileReplacer {
 public:
  FileReplacer() = default;
  ~FileReplacer() { abort(); }
  FileReplacer(const FileReplacer&) = delete;
  FileReplacer& operator=(const FileReplacer&) = delete;

  // Creates the temporary file for the target name. False for memory-file
  // names, names that do not fit, and folders that cannot take a file.
  bool begin(const char* target);
  // Appends bytes to the temporary file; after one failure every later
  // write and the commit fail as well.
  bool write(const void* data, int64_t count);
  // Flushes and closes the temporary file and renames it over the target
  // (an empty folder of that name is removed first, as a fresh create
  // would). False, with the temporary file gone and the target untouched,
  // when anything fails.
  bool commit();
  // Closes and deletes the temporary file; the target is not touched.
  void abort();

  bool active() const { return stream_.is_open(); }
  // The system error of the first failure (0 when none was seen).
  int error() const { return error_; }
  const std::string& temp_name() const { return target_.temp; }

 private:
  RtFile stream_;  // writes to target_.fd
  platform::ReplaceTarget target_;
  bool failed_ = false;
  int error_ = 0;
};

// Replaces the named file with the bytes in one go. On failure *error (when
// given) holds the system error, 0 when none applies.
bool file_replace_whole(const char* target, const void* data, int64_t count, int* error = nullptr);

// One line on standard error for a write-back that failed (the old file
// stays as it was): what, the name and the system's reason.
void report_write_back_failure(const char* what, const char* name, int error);

// The folder part of a name including its final separator ("" when none).
std::string path_folder_part(const char* name);

}  // namespace zrv
