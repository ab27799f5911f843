// Scratch folders and whole-file helpers for the file tests.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#ifdef _WIN32
#include <gtest/gtest.h>
#endif

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

#ifdef _WIN32
// Windows has no fork: a test's child run (run_in_child) is the program
// started again, and it must find the folders its test made, as a forked
// child would. So scratch names there are the first program's temporary
// folder and a seed of its own (its children inherit both, whatever the
// test has set the temporary folder to since), the test's name and their
// number within the test.
inline std::string scratch_name(const std::string& stem) {
  static const std::string root = [] {
    const char* given = std::getenv("ZRV_TEST_SCRATCH_ROOT");
    if (given != nullptr && *given != 0) return std::string(given);
    std::random_device random;
    const std::string made =
        (std::filesystem::temp_directory_path() / ("zrv_" + std::to_string(random()) + "_"))
            .generic_string();
    ::_putenv_s("ZRV_TEST_SCRATCH_ROOT", made.c_str());
    return made;
  }();
  static std::string test;
  static int made_in_test = 0;
  const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
  const std::string name =
      info != nullptr ? std::string(info->test_suite_name()) + "." + info->name() : "none";
  if (name != test) {
    test = name;
    made_in_test = 0;
  }
  return root + stem + name + "_" + std::to_string(++made_in_test);
}
#endif

// A fresh folder below the temporary folder (stem: the start of its name).
inline std::string make_scratch_folder(const std::string& stem) {
#ifdef _WIN32
  const std::string path = scratch_name(stem);
  std::error_code ec;
  std::filesystem::create_directory(path, ec);  // a child run finds it made
  return std::filesystem::is_directory(path, ec) ? path : std::string();
#else
  std::string pattern = "/tmp/" + stem + "XXXXXX";
  const char* made = ::mkdtemp(pattern.data());
  return made != nullptr ? made : "";
#endif
}

// The variable that names the temporary folder.
#ifdef _WIN32
inline constexpr const char* kTempVariable = "TMP";
#else
inline constexpr const char* kTempVariable = "TMPDIR";
#endif

// Removes a folder and everything in it, as far as it can, in one pass.
// On Windows a file still open (the run's log, say) is only marked for
// deletion, and libstdc++'s remove_all retries such a tree for ever.
inline void remove_tree(const std::string& path) {
  std::error_code ec;
#ifdef _WIN32
  std::vector<std::filesystem::path> found;
  for (auto it = std::filesystem::recursive_directory_iterator(path, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    found.push_back(it->path());
  }
  // The deepest names first, so that folders are empty when their turn comes.
  for (auto name = found.rbegin(); name != found.rend(); ++name) std::filesystem::remove(*name, ec);
  std::filesystem::remove(path, ec);
#else
  std::filesystem::remove_all(path, ec);
#endif
}

// A fresh folder below the temporary folder (/tmp on Linux), removed with
// everything in it at the end.
class ScratchDir {
 public:
  ScratchDir() : path_(make_scratch_folder("zrv_files_")) {}
  ~ScratchDir() { remove_tree(path_); }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Sets or removes environment variables and restores them afterwards.
class EnvGuard {
 public:
  ~EnvGuard() {
    for (const auto& [name, old] : saved_) {
      env_set(name.c_str(), old ? old->c_str() : nullptr);
    }
  }
  void set(const std::string& name, const char* value) {
    if (saved_.find(name) == saved_.end()) {
      const char* old = std::getenv(name.c_str());
      saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    env_set(name.c_str(), value);
  }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

// Points the temporary folder somewhere else for the lifetime of the object.
class TmpdirOverride {
 public:
  explicit TmpdirOverride(const std::string& dir) { env_.set(kTempVariable, dir.c_str()); }

 private:
  EnvGuard env_;
};

// The current folder, and a change of it (false when it cannot be made).
inline std::string current_folder() {
  std::error_code ec;
  return std::filesystem::current_path(ec).generic_string();
}
inline bool change_folder(const std::string& path) {
  std::error_code ec;
  std::filesystem::current_path(path, ec);
  return !ec;
}

// A name with its links and dots resolved, in the runtime's form ("/").
inline std::string real_path(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path real = std::filesystem::canonical(path, ec);
  return ec ? std::string() : real.generic_string();
}

// Puts the current folder back at the end of a test that changes it.
class CwdGuard {
 public:
  CwdGuard() : saved_(current_folder()) {}
  ~CwdGuard() {
    if (!saved_.empty() && !change_folder(saved_)) std::abort();
  }
  CwdGuard(const CwdGuard&) = delete;
  CwdGuard& operator=(const CwdGuard&) = delete;

 private:
  std::string saved_;
};

inline std::string testdata_path(const std::string& rel) {
  return std::string(ZRV_TESTDATA_DIR) + "/" + rel;
}

inline bool exists_on_disk(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

}  // namespace zrv::test
