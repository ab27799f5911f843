// Watched files on Linux: inotify on the folders that hold them, since
// editors often save by writing a new file and renaming it over the old
// one, which a watch on the file itself would lose.
#include "platform/file_watch.hpp"

#if defined(__linux__) && !defined(__EMSCRIPTEN__)

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <set>

namespace zrv::platform {

namespace {

constexpr uint32_t kFolderEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE;

class InotifyWatch : public FileWatch {
 public:
  InotifyWatch() : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}
  ~InotifyWatch() override {
    if (fd_ >= 0) close(fd_);
  }

  bool add(const std::string& path) override {
    const size_t slash = path.rfind('/');
    if (fd_ < 0 || slash == std::string::npos || slash + 1 == path.size()) return false;
    const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
    const int wd = inotify_add_watch(fd_, folder.c_str(), kFolderEvents);
    if (wd < 0) return false;
    Folder& f = folders_[wd];
    f.prefix = path.substr(0, slash + 1);
    f.names.insert(path.substr(slash + 1));
    return true;
  }

  std::vector<std::string> take_changed() override {
    std::set<std::string> changed;
    alignas(struct inotify_event) char buffer[8192];
    for (;;) {
      const ssize_t n = fd_ < 0 ? -1 : read(fd_, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;  // EAGAIN: nothing more for now
      for (ssize_t at = 0; at < n;) {
        const auto* e = reinterpret_cast<const struct inotify_event*>(buffer + at);
        at += static_cast<ssize_t>(sizeof(struct inotify_event) + e->len);
        if (e->mask & IN_Q_OVERFLOW) {
          // Events were lost: every file may have changed.
          for (const auto& [wd, f] : folders_)
            for (const std::string& name : f.names) changed.insert(f.prefix + name);
          continue;
        }
        const auto it = folders_.find(e->wd);
        if (it == folders_.end() || e->len == 0) continue;
        const std::string name(e->name);
        if (it->second.names.count(name) != 0) changed.insert(it->second.prefix + name);
      }
    }
    return {changed.begin(), changed.end()};
  }

 private:
  struct Folder {
    std::string prefix;           // the folder's name with its "/"
    std::set<std::string> names;  // the files of it that are watched
  };
  int fd_;
  std::map<int, Folder> folders_;  // by watch descriptor
};

}  // namespace

std::unique_ptr<FileWatch> make_file_watch() { return std::make_unique<InotifyWatch>(); }

}  // namespace zrv::platform

#else

namespace zrv::platform {

std::unique_ptr<FileWatch> make_file_watch() { return std::make_unique<FileWatch>(); }

}  // namespace zrv::platform

#endif
