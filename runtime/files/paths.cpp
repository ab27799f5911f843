// Path conventions, memory-file names and the shared file-system routines.
#include "files/paths.hpp"

#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <string>

#include "base/context.hpp"
#include "base/errors.hpp"
#include "platform/files.hpp"
#include "platform/folders.hpp"
#include "platform/path_names.hpp"
#include "platform/platform.hpp"

namespace zrv {

bool path_to_platform(const char* name, char out[kPathBufferSize]) {
  out[0] = 0;
  if (name == nullptr) return false;
  size_t n = std::strlen(name);
  if (n >= kPathBufferSize) return false;
  std::memcpy(out, name, n + 1);
  return true;
}

const char* path_file_part(const char* name) {
  const char* part = name;
  for (const char* p = name; *p != 0; ++p) {
    if (*p == '/' || *p == '\\') part = p + 1;
  }
  return part;
}

std::string path_folder_part(const std::string& name) {
  const size_t cut = name.find_last_of("/\\");
  if (cut == std::string::npos) return ".";
  // At the root the separator is the folder's own name: "C:" alone would
  // be the drive's current folder.
  if (cut == 0 || name[cut - 1] == ':') return name.substr(0, cut + 1);
  return name.substr(0, cut);
}

namespace {

// A final "/" for folders the system names. A backslash in them is an
// ordinary name character on Linux, so nothing is converted.
RtString folder_with_slash(const std::string& folder) {
  std::string s = folder;
  if (s.empty() || s.back() != '/') s.push_back('/');
  return RtString(s.c_str());
}

// --- registry of named memory blocks ---

std::mutex& registry_mutex() {
  static std::mutex m;
  return m;
}

struct Registered {
  std::weak_ptr<const MemBlock> block;
  MemBlockRef borrowed;  // the registry's own handle on borrowed bytes
};

// Start address -> every block handed out under a name.
std::map<uintptr_t, Registered>& registry() {
  static std::map<uintptr_t, Registered> blocks;
  return blocks;
}

void register_entry(const void* data, Registered entry) {
  if (data == nullptr) return;
  std::lock_guard<std::mutex> lock(registry_mutex());
  registry()[reinterpret_cast<uintptr_t>(data)] = std::move(entry);
}

bool is_hex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c - 'A' + 10;
}

// Reads blanks then 1..max_digits hex digits from [p, end); the field must be
// used up exactly when end is given, else stop at the terminator.
bool parse_hex_field(const char* p, const char* end, int max_digits, uint64_t* value) {
  while ((end == nullptr || p < end) && *p == ' ') ++p;
  uint64_t v = 0;
  int digits = 0;
  while ((end == nullptr || p < end) && is_hex(*p)) {
    if (++digits > max_digits) return false;
    v = (v << 4) | static_cast<uint64_t>(hex_value(*p));
    ++p;
  }
  if (digits == 0) return false;
  if (end != nullptr ? p != end : *p != 0) return false;
  *value = v;
  return true;
}

}  // namespace

RtString temp_folder() { return folder_with_slash(platform::temp_directory()); }

bool memfile_is_name(const char* name) {
  return name != nullptr && std::strncmp(name, "mem://", 6) == 0;
}

void memfile_format(char out[kMemNameSize], const void* data, uint32_t length) {
  // The whole address: a long has 32 bits on 64-bit Windows.
  std::snprintf(out, kMemNameSize, "mem://%8x.%8llx", static_cast<unsigned>(length),
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(data)));
}

std::shared_ptr<MemBlock> memblock_allocate(uint32_t length) {
  auto block = std::make_shared<MemBlock>();
  block->owned.reset(new (std::nothrow) uint8_t[length > 0 ? length : 1]);
  if (block->owned == nullptr) return nullptr;
  block->data = block->owned.get();
  block->length = length;
  return block;
}

void memfile_register(const MemBlockRef& block) {
  if (block != nullptr) register_entry(block->data, {block, nullptr});
}

RtString memfile_name(const void* data, uint32_t length) {
  auto view = std::make_shared<MemBlock>();
  view->data = static_cast<const uint8_t*>(data);
  view->length = length;
  register_entry(data, {view, view});
  char name[kMemNameSize];
  memfile_format(name, data, length);
  return RtString(name);
}

void memfile_unregister(const void* data) {
  if (data == nullptr) return;
  std::lock_guard<std::mutex> lock(registry_mutex());
  registry().erase(reinterpret_cast<uintptr_t>(data));
}

MemBlockRef memfile_lookup(const char* name, const uint8_t** data, int64_t* length) {
  if (!memfile_is_name(name)) return nullptr;
  // Length in characters 6..13, "." at 14, the address from 15 to the end.
  if (std::strlen(name) < 16 || name[14] != '.') return nullptr;
  uint64_t len = 0;
  uint64_t addr = 0;
  if (!parse_hex_field(name + 6, name + 14, 8, &len)) return nullptr;
  if (!parse_hex_field(name + 15, nullptr, 16, &addr)) return nullptr;
  if (addr == 0) return nullptr;

  std::lock_guard<std::mutex> lock(registry_mutex());
  auto& blocks = registry();
  auto it = blocks.upper_bound(static_cast<uintptr_t>(addr));
  if (it == blocks.begin()) return nullptr;
  --it;
  MemBlockRef block = it->second.block.lock();
  if (block == nullptr) {
    blocks.erase(it);
    return nullptr;
  }
  uint64_t offset = addr - it->first;
  if (offset > block->length || len > block->length - offset) return nullptr;
  *data = reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(addr));
  *length = static_cast<int64_t>(len);
  return block;
}

int32_t path_delete(const char* name) {
  char native[kPathBufferSize];
  if (!path_to_platform(name, native) || native[0] == 0) return -1;
  platform::FileStatus st;
  if (!platform::link_status(native, &st)) return -1;
  if (!st.is_folder) return platform::file_remove(native) ? 1 : 0;

  // A directory, by its full path: stepping out of it (when it is the
  // current one) must not change what a relative name such as "../cur"
  // points at.
  std::string dir_real;
  if (!platform::real_path(native, &dir_real)) return -1;
  if (!platform::folder_opens(dir_real.c_str())) return -1;
  const std::string cwd = platform::current_directory();
  const bool inside = cwd == dir_real;
  if (inside) {
    platform::set_current_directory(path_folder_part(dir_real));
  }
  if (platform::folder_remove(dir_real.c_str())) return 1;
  // Not empty or not permitted: the folder stays, and so does the current
  // folder; a folder that is still there was not deleted.
  if (inside) platform::set_current_directory(cwd);
  return 0;
}

int32_t file_exists(const char* name) {
  // A memory-file name counts as a file without a check (whether it opens
  // is the open's question).
  if (memfile_is_name(name)) return 1;
  char native[kPathBufferSize];
  if (!path_to_platform(name, native) || native[0] == 0) return 0;
  platform::FileStatus st;
  if (!platform::file_status(native, &st)) return 0;
  return st.is_folder ? 0 : 1;
}

int32_t file_exists(const RtString& name) {
  // A name cut short by a zero byte would be another file's.
  if (std::memchr(name.data, 0, name.length) != nullptr) return 0;
  return file_exists(name.c_str());
}

double dir_set_current(const char* path) {
  ctx.last_error = 0;
  char native[kPathBufferSize];
  if (!path_to_platform(path, native) || native[0] == 0 ||
      !platform::set_current_directory(native)) {
    error_say(kErrNoSuchFile, "dir_set_current: '%s': no such folder", path != nullptr ? path : "");
    return 0.0;
  }
  return 1.0;
}

std::string path_absolute(const char* name) {
  if (name == nullptr || name[0] == 0) return std::string();
  if (memfile_is_name(name)) return name;
  // The folder part as the system finds it now ("../x" must not pass
  // through a folder that may be gone by the time the name is used).
  const char* leaf = path_file_part(name);
  const bool plain_leaf = std::strcmp(leaf, ".") != 0 && std::strcmp(leaf, "..") != 0;
  const std::string folder = plain_leaf ? std::string(name, leaf) : std::string(name);
  std::string full;
  if (platform::real_path(folder.empty() ? "." : folder.c_str(), &full)) {
    if (!plain_leaf || leaf[0] == 0) return full;
    if (full.back() != '/') full += '/';
    return full + leaf;
  }
  if (platform::path_is_absolute(name)) return name;
  RtString cwd = dir_get_current();  // ends with "/"
  return std::string(cwd.c_str()) + name;
}

RtString dir_get_current() { return folder_with_slash(platform::current_directory()); }

}  // namespace zrv
