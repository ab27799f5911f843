// Scratch folders and whole-file helpers for the file tests.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "file_io.hpp"

namespace zrv::test {

// A fresh folder below /tmp, removed with everything in it at the end.
class ScratchDir {
 public:
  ScratchDir() {
    char pattern[] = "/tmp/zrv_files_XXXXXX";
    char* made = ::mkdtemp(pattern);
    path_ = made != nullptr ? made : "";
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Points TMPDIR somewhere else for the lifetime of the object.
class TmpdirOverride {
 public:
  explicit TmpdirOverride(const std::string& dir) {
    const char* old = std::getenv("TMPDIR");
    had_ = old != nullptr;
    if (had_) old_ = old;
    ::setenv("TMPDIR", dir.c_str(), 1);
  }
  ~TmpdirOverride() {
    if (had_) {
      ::setenv("TMPDIR", old_.c_str(), 1);
    } else {
      ::unsetenv("TMPDIR");
    }
  }

 private:
  bool had_ = false;
  std::string old_;
};

inline std::string testdata_path(const std::string& rel) {
  return std::string(ZRV_TESTDATA_DIR) + "/" + rel;
}

inline bool exists_on_disk(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

}  // namespace zrv::test
