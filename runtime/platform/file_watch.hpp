// Files watched for changes on disk: the runtime reloads the media a
// program loaded when they are saved again while it runs (--watch).
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace zrv::platform {

// The default is a platform that cannot watch: nothing is ever reported.
class FileWatch {
 public:
  virtual ~FileWatch() = default;

  // Watches one file by its absolute name ("/" separators). A file written
  // whole, or written elsewhere and renamed into place, counts as changed.
  // False when the system refuses to watch it.
  virtual bool add(const std::string& path) { return false; }
  // The watched files changed since the last call, each once, by the names
  // add was given. Never waits.
  virtual std::vector<std::string> take_changed() { return {}; }
};

// The platform's watcher (the default one where the system has none).
std::unique_ptr<FileWatch> make_file_watch();

}  // namespace zrv::platform
