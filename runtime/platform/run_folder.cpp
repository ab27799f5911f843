// The run folder every platform shares: made on first use, and made again
// when it went (a cleaner of old temporary files may take it from under a
// long run).
#include <mutex>

#include "platform/platform.hpp"
#include "platform/run_folder_parts.hpp"

namespace zrv::platform {

std::string plain_name(std::string name, const char* fallback) {
  if (name.empty()) name = fallback;
  if (name.size() > 64) name.resize(64);
  for (char& c : name) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '.' || c == '_' || c == '-';
    if (!plain) c = '_';
  }
  return name;
}

std::string program_tag() {
  const std::string path = program_path();
  return plain_name(path.substr(path.find_last_of('/') + 1), "zorvane");
}

std::string run_folder() {
  // Never destroyed: handlers that run at exit may still need it.
  static std::mutex* lock = new std::mutex();
  static std::string* folder = new std::string();
  const std::lock_guard<std::mutex> hold(*lock);
  if (folder->empty() || !run_folder_present(*folder)) *folder = run_folder_make();
  return *folder;
}

}  // namespace zrv::platform
