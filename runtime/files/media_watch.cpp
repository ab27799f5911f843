#include "files/media_watch.hpp"

#include <memory>

#include "files/paths.hpp"
#include "platform/file_watch.hpp"

namespace zrv {

namespace {
std::unique_ptr<platform::FileWatch> g_watch;
}  // namespace

void media_watch_start() {
  if (!g_watch) g_watch = platform::make_file_watch();
}

bool media_watch_on() { return g_watch != nullptr; }

std::string media_watch_note(const RtString& resolved) {
  if (!g_watch || resolved.empty() || memfile_is_name(resolved.c_str())) return std::string();
  std::string path = path_absolute(resolved.c_str());
  if (!g_watch->add(path)) return std::string();
  return path;
}

std::vector<std::string> media_watch_take_changed() {
  if (!g_watch) return {};
  return g_watch->take_changed();
}

void media_watch_stop() { g_watch.reset(); }

}  // namespace zrv
