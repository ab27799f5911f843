// Shared fixture for the channel, INI, line-file, file-system and
// platform-information tests: a scratch folder that is the current folder
// and the temporary folder for the test, and a clean runtime file state.
#pragma once

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/context.hpp"
#include "file_io.hpp"
#include "files/archive.hpp"
#include "files/channels.hpp"
#include "files/line_files.hpp"
#include "files_test_util.hpp"

namespace zrv::test {

// Anything under that name, a dangling link too.
inline bool exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

// Names in a folder (without "." and "..").
inline std::vector<std::string> folder_names(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class FilesysTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = make_scratch_folder("zrv_filesys_");
    ASSERT_FALSE(dir_.empty());
    old_cwd_ = current_folder();
    ASSERT_TRUE(change_folder(dir_));
    env_.set(kTempVariable, dir_.c_str());
    reset_runtime_files();
  }

  void TearDown() override {
    reset_runtime_files();
    archive_holders_destroy();
    if (!change_folder(old_cwd_)) ADD_FAILURE() << "cannot return to " << old_cwd_;
    remove_tree(dir_);
  }

  static void reset_runtime_files() {
    file_channels_close_all();
    ini_line_files_destroy();  // nothing written: each test flushes on purpose
    ctx.last_error = 0;
  }

  std::string path(const std::string& name) const { return dir_ + "/" + name; }

  // Appends an archive of the given entries to a carrier file and points
  // both archive holders at it.
  void install_archive(const std::vector<ArchiveSource>& entries) {
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(archive_build(entries, bytes, &error)) << error;
    const std::string carrier = path("carrier.bin");
    write_file(carrier, std::string("program bytes") + std::string(bytes.begin(), bytes.end()));
    archive_holders_create();
    archive_set(carrier.c_str(), carrier.c_str());
  }

  std::string dir_;
  std::string old_cwd_;
  EnvGuard env_;
};

#ifndef _WIN32
// The system's python3 when there is one (version-manager shims add a second
// or more to every start), else whatever python3 the PATH gives.
inline std::string python_command() {
  return ::access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3";
}
#endif

// In a child run: writes beyond `limit` bytes fail with EFBIG (or, with
// the signal left at its default, end the process half-way through).
// Windows has no such limit; tests skip there (kNoFileSizeLimit).
#ifdef _WIN32
inline constexpr const char* kNoFileSizeLimit = "Windows has no file-size limit for a process";
inline void limit_file_size(uint64_t, bool) { std::abort(); }
#else
inline constexpr const char* kNoFileSizeLimit = nullptr;
inline void limit_file_size(rlim_t limit, bool die_on_excess) {
  struct rlimit lim;
  lim.rlim_cur = limit;
  lim.rlim_max = limit;
  ::setrlimit(RLIMIT_FSIZE, &lim);
  std::signal(SIGXFSZ, die_on_excess ? SIG_DFL : SIG_IGN);
}
#endif

}  // namespace zrv::test
