// The line-file cache and the write-back of both cached facilities.
#include "files/line_files.hpp"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/context.hpp"
#include "base/errors.hpp"
#include "files/file_bytes.hpp"
#include "files/file_replace.hpp"
#include "files/ini_file.hpp"
#include "files/paths.hpp"
#include "files/rt_file.hpp"
#include "types/str_func.hpp"

namespace zrv {

namespace {

// Copies a text into a 1024-byte field, cut at 1023 bytes.
void copy_field(char field[kLineFileLineSize], const char* text) {
  size_t n = std::strlen(text);
  if (n >= static_cast<size_t>(kLineFileLineSize)) n = kLineFileLineSize - 1;
  std::memcpy(field, text, n);
  field[n] = 0;
}

// The line number as an index, or -1 when it is outside 0..255 (negative
// numbers count as huge ones, as an unsigned comparison would have it).
int32_t line_index(double number) {
  if (!(number > -1.0 && number < static_cast<double>(kLineFileLines))) return -1;
  return static_cast<int32_t>(number);  // truncation toward zero
}

// The cache already holds this file: the same name byte for byte, and for a
// memory name also the same requested file.
bool is_cached(const LineFileCache& cache, const char* name, const char* source) {
  if (std::strcmp(cache.name, name) != 0) return false;
  if (!memfile_is_name(name)) return true;
  return std::strcmp(cache.source, source != nullptr ? source : "") == 0;
}

// False only when the file resolves nowhere and skip_missing is set: the
// number forms then leave their variable alone, with no error and no change
// of the cached file.
bool line_file_read_text(const RtString& file, double number, RtString& out, bool skip_missing) {
  RtString resolved = file;
  // Otherwise a name that resolves nowhere is still cached (empty), so that
  // the first read of a missing file answers "NO_FILE" and the following
  // ones "NO_DATA".
  if (!path_resolve(resolved)) {
    // A file written but not yet on disk is in the cache all the same.
    if (skip_missing && !is_cached(line_file_instance(), file.c_str(), file.c_str())) return false;
    resolved.assign(file);
  }
  ctx.last_error = 0;
  const int32_t index = line_index(number);
  if (index < 0) {
    out.assign("NO_DATA");
    error_say(kErrOutOfMemory, "line_file_read: '%s': line %g out of range 0..255", file.c_str(),
              number);
    return true;
  }
  if (!line_file_load(resolved.c_str(), file.c_str(), "line_file_read")) {
    out.assign("NO_FILE");
    return true;
  }
  const char* line = line_file_instance().lines[index];
  size_t n = std::strlen(line);
  while (n > 0 && static_cast<unsigned char>(line[n - 1]) < 32) --n;
  if (n == 0) {
    out.assign("NO_DATA");
    return true;
  }
  out.assign(std::string(line, n).c_str());
  return true;
}

}  // namespace

LineFileCache& line_file_instance() {
  if (ctx.line_files == nullptr) {
    ctx.line_files = new LineFileCache();  // value-initialised: all lines empty
    ini_line_files_register_exit();
  }
  return *ctx.line_files;
}

bool line_file_write_back(LineFileCache& cache) {
  if (!cache.dirty || cache.name[0] == 0 || memfile_is_name(cache.name)) return true;
  std::string text;
  const int32_t read = static_cast<int32_t>(cache.line_ends.size());
  const auto kept = [&](int32_t i) { return i < read && cache.written[i] == 0; };
  for (int32_t i = 0; i <= cache.last_index; ++i) {
    if (!kept(i)) {
      text += cache.lines[i];
      text += "\r\n";
      continue;
    }
    const int64_t from = i == 0 ? 0 : cache.line_ends[i - 1];
    text.append(cache.raw, static_cast<size_t>(from),
                static_cast<size_t>(cache.line_ends[i] - from));
    // A piece of a long line, or the last line without its line feed, must
    // not run into a written line after it.
    if (text.back() != '\n' && i < cache.last_index && !kept(i + 1)) text += "\r\n";
  }
  if (read > 0) text.append(cache.raw, static_cast<size_t>(cache.line_ends[read - 1]));
  int error = 0;
  if (file_replace_whole(cache.write_path.c_str(), text.data(), static_cast<int64_t>(text.size()),
                         &error)) {
    return true;
  }
  report_write_back_failure("line file", cache.write_path.c_str(), error);
  return false;
}

bool line_file_load(const char* name, const char* source, const char* command) {
  LineFileCache& cache = line_file_instance();
  if (name != nullptr && is_cached(cache, name, source)) return true;
  if (cache.dirty && cache.name[0] != 0) line_file_write_back(cache);

  std::memset(cache.lines, 0, sizeof cache.lines);
  cache.dirty = 0;
  cache.name[0] = 0;
  cache.source[0] = 0;
  cache.last_index = 0;
  cache.write_path.clear();
  cache.raw.clear();
  cache.line_ends.clear();
  std::memset(cache.written, 0, sizeof cache.written);
  if (name == nullptr) return true;

  copy_field(cache.name, name);
  copy_field(cache.source, source != nullptr ? source : "");
  cache.write_path = path_absolute(name);
  FileBytes file;
  if (!file_read_bytes(name, &file)) {
    const bool writing = command != nullptr && std::strcmp(command, "line_file_write") == 0;
    error_say(kErrNoSuchFile, "%s: '%s': no such file%s",
              command != nullptr ? command : "line file",
              source != nullptr && *source ? source : name, writing ? " yet; it is made new" : "");
    return false;
  }
  cache.raw.assign(reinterpret_cast<const char*>(file.bytes.data()), file.bytes.size());
  const auto* data = reinterpret_cast<const uint8_t*>(cache.raw.data());
  const auto size = static_cast<int64_t>(cache.raw.size());
  int64_t pos = 0;
  int32_t count = 0;
  while (count < kLineFileLines && memory_line_read(data, size, &pos, cache.lines[count])) {
    cache.lines[count][kLineFileLineSize - 1] = 0;
    cache.line_ends.push_back(pos);
    ++count;
  }
  cache.last_index = count > 0 ? count - 1 : 0;
  return true;
}

void line_file_read(const RtString& file, double number, RtString& out) {
  line_file_read_text(file, number, out, false);
}

void line_file_read_int(const RtString& file, double number, int32_t& out) {
  RtString text;
  if (line_file_read_text(file, number, text, true)) out = str_to_int(text);
}

void line_file_read_number(const RtString& file, double number, double& out) {
  RtString text;
  if (line_file_read_text(file, number, text, true)) out = str_to_float(text);
}

void line_file_write(const RtString& file, double number, const RtString& text) {
  ctx.last_error = 0;
  const int32_t index = line_index(number);
  if (index < 0) {
    error_say(kErrOutOfMemory, "line_file_write: '%s': line %g out of range 0..255", file.c_str(),
              number);
    return;
  }
  // A file that does not exist yet reports error 3 and starts empty.
  line_file_load(file.c_str(), file.c_str(), "line_file_write");
  LineFileCache& cache = line_file_instance();
  copy_field(cache.lines[index], text.c_str());
  cache.written[index] = 1;
  if (index > cache.last_index) cache.last_index = index;
  cache.dirty = 1;
}

void line_file_write_number(const RtString& file, double number, double value) {
  line_file_write(file, number, RtString(value));
}

void ini_line_files_register_exit() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  std::atexit(ini_line_files_flush);
}

void ini_line_files_flush() {
  if (ctx.ini_file != nullptr && ini_write_back(*ctx.ini_file)) ctx.ini_file->dirty = 0;
  if (ctx.line_files != nullptr && ctx.line_files->dirty) line_file_load(nullptr, nullptr, nullptr);
}

void ini_line_files_destroy() {
  delete ctx.ini_file;
  ctx.ini_file = nullptr;
  delete ctx.line_files;
  ctx.line_files = nullptr;
}

}  // namespace zrv
