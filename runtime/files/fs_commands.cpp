// File-system commands over the platform's file and folder calls.
#include "files/fs_commands.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/context.hpp"
#include "base/errors.hpp"
#include "files/file_replace.hpp"
#include "files/paths.hpp"
#include "files/rt_file.hpp"
#include "platform/environment.hpp"
#include "platform/files.hpp"
#include "platform/folders.hpp"
#include "platform/time_of_day.hpp"

namespace zrv {

namespace {

constexpr int64_t kCopyBlock = 4096;

int lower(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 'A' && u <= 'Z' ? u + 32 : u;
}

bool stat_name(const RtString& name, platform::FileStatus* st) {
  char native[kPathBufferSize];
  if (name.empty() || memfile_is_name(name.c_str()) || !path_to_platform(name.c_str(), native)) {
    return false;
  }
  return platform::file_status(native, st);
}

bool name_order(const std::string& a, const std::string& b) {
  const int32_t c = text_compare_nocase(a.c_str(), b.c_str());
  if (c != 0) return c < 0;
  return a < b;  // names that differ in case only: a fixed order all the same
}

}  // namespace

bool wildcard_match(const char* name, const char* pattern) {
  if (std::strcmp(pattern, "*") == 0 || std::strcmp(pattern, "*.*") == 0) return true;
  const char* s = name;
  const char* p = pattern;
  const char* star_p = nullptr;  // pattern position after the last "*"
  const char* star_s = nullptr;  // name position where that star began
  for (;;) {
    // A star first: names here may contain "*" themselves, and a star in the
    // pattern is a wildcard even where it meets one.
    if (*p == '*') {
      star_p = ++p;
      star_s = s;
      if (*p == 0) return true;
      continue;
    }
    if (*s == 0) {
      if (*p == 0) return true;
    } else if (lower(*p) == lower(*s)) {
      ++p;
      ++s;
      continue;
    }
    // A mismatch, or the name ended first: the last star takes one more
    // character and the rest is tried again from there. (Restarting the
    // pattern without moving the name back to the star missed matches that
    // began inside a partial one: "*aab" against "aAab".)
    if (star_p == nullptr || *star_s == 0) return false;
    s = ++star_s;
    p = star_p;
  }
}

int32_t text_compare_nocase(const char* a, const char* b) {
  for (;; ++a, ++b) {
    const int ca = lower(*a);
    const int cb = lower(*b);
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
  }
}

RtString format_file_time(const std::tm& t) {
  char text[80];
  std::snprintf(text, sizeof text, "%.4d-%.2d-%.2d %.2d:%.2d:%.2d", t.tm_year + 1900, t.tm_mon + 1,
                t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
  return RtString(text);
}

int32_t file_is_directory(const RtString& name) {
  platform::FileStatus st;
  return stat_name(name, &st) && st.is_folder ? 1 : 0;
}

int32_t file_delete(const RtString& name) { return path_delete(name.c_str()); }

int32_t dir_create(const RtString& name) {
  char native[kPathBufferSize];
  if (name.empty() || memfile_is_name(name.c_str()) || !path_to_platform(name.c_str(), native)) {
    return 0;
  }
  return platform::folder_make(native, 0777) ? 1 : 0;
}

void file_copy(const RtString& source, const RtString& destination) {
  ctx.last_error = 0;
  RtString resolved = source;
  if (!path_resolve(resolved)) return;  // a missing source is silent
  RtFile in;
  if (!in.open_read(resolved.c_str())) {
    error_say(kErrNoSuchFile, "file_copy: '%s': cannot be read: %s", source.c_str(),
              std::strerror(errno));
    return;
  }
  // The copy goes to a temporary file that replaces the destination only
  // once complete: a failure leaves no partial file and keeps an old one.
  FileReplacer out;
  if (!out.begin(destination.c_str())) {
    error_say(kErrNoSuchFile, "file_copy: '%s': cannot be written: %s", destination.c_str(),
              out.error() != 0 ? std::strerror(out.error()) : "not a name a file can take");
    return;
  }
  const int64_t length = in.query_size();
  uint8_t block[kCopyBlock];
  for (int64_t done = 0; done < length;) {
    const int64_t n = std::min(kCopyBlock, length - done);
    if (!in.read(block, n) || !out.write(block, n)) {
      in.close();
      out.abort();
      // Not reported as a success.
      error_say(kErrNoSuchFile, "file_copy: '%s' to '%s': %s", source.c_str(), destination.c_str(),
                out.error() != 0 ? std::strerror(out.error()) : "the source could not be read");
      return;
    }
    done += n;
  }
  in.close();
  if (!out.commit()) {
    error_say(kErrNoSuchFile, "file_copy: '%s': cannot be written: %s", destination.c_str(),
              std::strerror(out.error()));
  }
}

int64_t file_size(const RtString& name) {
  ctx.last_error = 0;
  RtFile stream;
  if (name.empty() || !stream.open_read(name.c_str())) {
    error_say(kErrNoSuchFile, "file_size: '%s': no such file", name.c_str());
    return 0;
  }
  return stream.query_size();
}

RtString file_time(const RtString& name) {
  ctx.last_error = 0;
  char native[kPathBufferSize];
  if (!name.empty() && !memfile_is_name(name.c_str()) && path_to_platform(name.c_str(), native)) {
    int fd = platform::file_open_read(native);
    if (fd >= 0) {
      platform::FileStatus st;
      const bool have = platform::file_status_open(fd, &st) && !st.is_folder;
      platform::file_close(fd);
      std::tm local{};
      const int64_t seconds = have ? st.modified_seconds : 0;
      if (have && platform::local_time(seconds, &local)) return format_file_time(local);
    }
  }
  error_say(kErrNoSuchFile, "file_time: '%s': no such file", name.c_str());
  return RtString();
}

double dir_list(const RtString& pattern, RtArray<RtString>& out) {
  // The current folder itself rather than its name: a folder that has been
  // removed or cannot be named any more lists as empty, not as another one.
  std::vector<std::string> folders;
  std::vector<std::string> files;
  // Links count as what they point to, as the platform's own listing has it.
  std::vector<platform::FolderEntry> entries;
  if (!platform::folder_list(".", &entries)) {
    array_dim(out, 0);
    return 0.0;
  }
  for (const platform::FolderEntry& entry : entries) {
    if (entry.is_folder) {
      folders.push_back(entry.name);
    } else if (wildcard_match(entry.name.c_str(), pattern.c_str())) {
      files.push_back(entry.name);
    }
  }

  std::sort(folders.begin(), folders.end(), name_order);
  std::sort(files.begin(), files.end(), name_order);
  const int32_t total = static_cast<int32_t>(folders.size() + files.size());
  array_dim(out, total);
  int32_t i = 0;
  for (const std::string& f : folders) out(i++).assign(f.c_str());
  for (const std::string& f : files) out(i++).assign(f.c_str());
  return static_cast<double>(files.size()) + 65536.0 * static_cast<double>(folders.size());
}

RtString env_get(const RtString& name) {
  if (!name.empty()) {
    const char* value = std::getenv(name.c_str());
    return RtString(value != nullptr ? value : "");
  }
  std::string all;
  for (const std::string& entry : platform::environment_entries()) {
    all += entry;
    all += '\n';
  }
  return RtString(all.c_str());
}

void env_set(const RtString& name, const RtString& value) {
  // As for the joined text "name=value": the variable's name ends at the
  // first "=", and an empty value removes the variable.
  std::string joined = std::string(name.c_str()) + "=" + value.c_str();
  const size_t eq = joined.find('=');
  const std::string var = joined.substr(0, eq);
  const std::string text = joined.substr(eq + 1);
  if (var.empty()) return;
  if (text.empty()) {
    platform::environment_unset(var.c_str());
  } else {
    platform::environment_set(var.c_str(), text.c_str());
  }
}

}  // namespace zrv
