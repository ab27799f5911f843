// Watched files on Windows: each file's last write time and size, looked at
// once a frame. A handful of media files costs a few attribute reads, and
// unlike a folder's change notification it needs no handle per folder and
// sees a file renamed into place the same as one written over.
#include "platform/file_watch.hpp"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <map>

#include "platform/win32/text.hpp"

namespace zrv::platform {

namespace {

struct Stamp {
  bool present = false;
  FILETIME written = {};
  DWORD size_high = 0;
  DWORD size_low = 0;

  bool operator==(const Stamp& o) const {
    return present == o.present && written.dwLowDateTime == o.written.dwLowDateTime &&
           written.dwHighDateTime == o.written.dwHighDateTime && size_high == o.size_high &&
           size_low == o.size_low;
  }
};

Stamp stamp_of(const std::wstring& name) {
  Stamp s;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (::GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &data) != 0) {
    s.present = true;
    s.written = data.ftLastWriteTime;
    s.size_high = data.nFileSizeHigh;
    s.size_low = data.nFileSizeLow;
  }
  return s;
}

class PollingWatch : public FileWatch {
 public:
  bool add(const std::string& path) override {
    if (path.empty()) return false;
    Watched w;
    w.wide = win32::wide_text(path);
    w.last = stamp_of(w.wide);
    files_[path] = w;
    return true;
  }

  std::vector<std::string> take_changed() override {
    std::vector<std::string> changed;
    for (auto& [path, w] : files_) {
      const Stamp now = stamp_of(w.wide);
      // A file gone for the moment (deleted before its new copy is
      // renamed in) is not a change; its return is.
      if (now == w.last || !now.present) continue;
      w.last = now;
      changed.push_back(path);
    }
    return changed;
  }

 private:
  struct Watched {
    std::wstring wide;
    Stamp last;
  };
  std::map<std::string, Watched> files_;
};

}  // namespace

std::unique_ptr<FileWatch> make_file_watch() { return std::make_unique<PollingWatch>(); }

}  // namespace zrv::platform
