// Scratch folders and whole-file helpers for the file tests.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "file_io.hpp"

namespace zrv::test {

// Sets a variable of the environment (null: removes it).
inline void env_set(const char* name, const char* value) {
#ifdef _WIN32
  ::_putenv_s(name, value != nullptr ? value : "");
#else
  if (value != nullptr) {
    ::setenv(name, value, 1);
  } else {
    ::unsetenv(name);
  }
#endif
}

// A fresh folder below the temporary folder (/tmp on Linux), removed with
// everything in it at the end.
class ScratchDir {
 public:
  ScratchDir() {
#ifdef _WIN32
    std::random_device random;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
      const std::filesystem::path made =
          std::filesystem::temp_directory_path() / ("zrv_files_" + std::to_string(random()));
      std::error_code ec;
      if (std::filesystem::create_directory(made, ec)) path_ = made.generic_string();
    }
#else
    char pattern[] = "/tmp/zrv_files_XXXXXX";
    char* made = ::mkdtemp(pattern);
    path_ = made != nullptr ? made : "";
#endif
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
    env_set("TMPDIR", dir.c_str());
  }
  ~TmpdirOverride() { env_set("TMPDIR", had_ ? old_.c_str() : nullptr); }

 private:
  bool had_ = false;
  std::string old_;
};

inline std::string testdata_path(const std::string& rel) {
  return std::string(ZRV_TESTDATA_DIR) + "/" + rel;
}

inline bool exists_on_disk(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

}  // namespace zrv::test
