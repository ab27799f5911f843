// The appended archive: lookups for the two holders, directory reading and
// building. Every offset and length read from the archive is checked against
// the file before it is used, so a truncated or hostile archive fails the
// lookup instead of reading outside the file or allocating without bound.
#include "files/archive.hpp"

#include <lzo1x.h>

#include <cstring>
#include <mutex>
#include <span>
#include <string>
#include <unordered_map>

#include "base/context.hpp"
#include "files/rt_file.hpp"
#include "platform/files.hpp"
#include "platform/platform.hpp"

namespace zrv {

namespace {

constexpr int64_t kTrailerSize = 7;  // "tbX" + int32 directory offset

// LZO1X emits at most 255 bytes per input byte in its longest runs; anything
// claiming more than this cannot come from the stored stream.
uint64_t max_expansion(uint64_t compressed) { return compressed * 256 + 256; }

bool lzo_ready() {
  static std::once_flag once;
  static bool ok = false;
  std::call_once(once, [] { ok = lzo_init() == LZO_E_OK; });
  return ok;
}

int32_t get_i32(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 |
                              static_cast<uint32_t>(p[3]) << 24);
}

uint32_t get_u32(const uint8_t* p) { return static_cast<uint32_t>(get_i32(p)); }

void put_u32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// Reads exactly count bytes at the current position (memory streams would
// otherwise deliver short reads as success).
bool read_exact(RtFile& file, void* buffer, int64_t count) {
  if (count < 0 || file.pos < 0 || count > file.size - file.pos) return false;
  return file.read(buffer, count);
}

char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool same_name(const char* a, size_t a_len, const char* b, size_t b_len) {
  if (a_len != b_len) return false;
  for (size_t i = 0; i < a_len; ++i) {
    if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
  }
  return true;
}

enum class Trailer { kFound, kAbsent, kDamaged, kUnreadable };

// Where the directory lies and what the entry offsets count from.
struct Directory {
  int64_t start = 0;  // first entry
  int64_t end = 0;    // the trailer
  int64_t base = 0;   // 0 or the file size
};

Trailer read_trailer(RtFile& file, Directory* dir) {
  if (file.size < kTrailerSize) return Trailer::kAbsent;
  file.seek(file.size - kTrailerSize, 0);
  uint8_t tail[kTrailerSize];
  if (!read_exact(file, tail, kTrailerSize)) return Trailer::kUnreadable;
  if (std::memcmp(tail, "tbX", 3) != 0) return Trailer::kAbsent;
  int32_t d = get_i32(tail + 3);
  dir->end = file.size - kTrailerSize;
  dir->start = d >= 0 ? d : file.size + d;
  dir->base = d >= 0 ? 0 : file.size;
  if (dir->start < 0 || dir->start > dir->end) return Trailer::kDamaged;
  return Trailer::kFound;
}

enum class Next { kEntry, kEnd, kDamaged };

// Whether an entry's stored data lies inside the file.
bool data_in_file(const RtFile& file, const ArchiveEntry& entry) {
  return entry.stored >= 4 && entry.data_start >= 0 && entry.data_start <= file.size &&
         entry.stored <= file.size - entry.data_start;
}

// Reads the entry at *pos of the directory's bytes (which end at the
// trailer, so an entry running into it is damaged). Its data is not checked
// here: one damaged entry must not hide the entries after it from a lookup.
Next next_entry(std::span<const uint8_t> directory, int64_t base, size_t* pos,
                ArchiveEntry* entry) {
  if (*pos >= directory.size()) return Next::kDamaged;  // no terminating entry
  const size_t len = directory[(*pos)++];
  if (len == 0) return Next::kEnd;
  if (directory.size() - *pos < len + 8) return Next::kDamaged;
  const uint8_t* at = directory.data() + *pos;
  entry->name.assign(reinterpret_cast<const char*>(at), len);
  entry->offset = get_i32(at + len);
  entry->stored = get_i32(at + len + 4);
  entry->data_start = base + entry->offset;
  *pos += len + 8;
  return Next::kEntry;
}

// The directory's bytes, from its first entry up to the trailer, in one read.
bool read_directory(RtFile& file, const Directory& dir, std::vector<uint8_t>* bytes) {
  bytes->resize(static_cast<size_t>(dir.end - dir.start));
  file.seek(dir.start, 0);
  return read_exact(file, bytes->data(), static_cast<int64_t>(bytes->size()));
}

std::string lower_ascii(const char* text, size_t length) {
  std::string lower(text, length);
  for (char& c : lower) c = ascii_lower(c);
  return lower;
}

// Reads the entry's data and decompresses it into a new block. A stream that
// does not decompress to exactly its stated length, or states a length it
// could never expand to, yields an empty block. Null only when the data
// cannot be read or memory runs out.
std::shared_ptr<MemBlock> load_entry(RtFile& file, const ArchiveEntry& entry) {
  std::vector<uint8_t> stored(static_cast<size_t>(entry.stored));
  file.seek(entry.data_start, 0);
  if (!read_exact(file, stored.data(), entry.stored)) return nullptr;
  const uint32_t wanted = get_u32(stored.data());
  const uint64_t packed = stored.size() - 4;
  bool plausible =
      wanted <= max_expansion(packed) && wanted <= kArchiveEntryMaxBytes && lzo_ready();
  auto block = memblock_allocate(plausible ? wanted : 0);
  if (block == nullptr) return nullptr;
  if (plausible && wanted > 0) {
    lzo_uint out_len = wanted;
    int rc = lzo1x_decompress_safe(stored.data() + 4, static_cast<lzo_uint>(packed),
                                   block->owned.get(), &out_len, nullptr);
    if (rc != LZO_E_OK || out_len != wanted) block->length = 0;
  }
  return block;
}

// A file on disk or a live memory-file name answers the lookup directly.
bool exists_directly(const char* name) {
  if (memfile_is_name(name)) {
    const uint8_t* data = nullptr;
    int64_t length = 0;
    return memfile_lookup(name, &data, &length) != nullptr;
  }
  platform::FileStatus st;
  return platform::file_status(name, &st) && !st.is_folder;
}

void copy_name(char out[kPathBufferSize], const char* text) {
  size_t n = std::strlen(text);
  if (n >= kPathBufferSize) n = kPathBufferSize - 1;
  std::memcpy(out, text, n);
  out[n] = 0;
}

// Which file, and which state of it, an index was made from: a file on
// disk by its identity, size and times, a memory block by the block itself.
struct FileStamp {
  uint64_t device = 0;
  uint64_t inode = 0;
  int64_t size = -1;
  int64_t modified_ns = 0;
  int64_t changed_ns = 0;
  std::weak_ptr<const MemBlock> block;
  const uint8_t* data = nullptr;
};

int64_t nanoseconds(int64_t seconds, int32_t fraction_ns) {
  return seconds * 1000000000 + fraction_ns;
}

void stamp_from_status(const platform::FileStatus& st, FileStamp* stamp) {
  stamp->device = st.device;
  stamp->inode = st.inode;
  stamp->size = st.size;
  stamp->modified_ns = nanoseconds(st.modified_seconds, st.modified_nanoseconds);
  stamp->changed_ns = nanoseconds(st.changed_seconds, st.changed_nanoseconds);
}

// The stamp of an open archive file.
FileStamp stamp_of(const RtFile& file) {
  FileStamp stamp;
  stamp.size = file.size;
  if (file.is_memory()) {
    stamp.block = file.block;
    stamp.data = file.data;
    return stamp;
  }
  platform::FileStatus st;
  if (platform::file_status_open(file.handle, &st)) stamp_from_status(st, &stamp);
  return stamp;
}

// The stamp of what a name stands for now, taken without opening it; false
// when the name would not open.
bool stamp_of_name(const char* name, FileStamp* stamp) {
  if (memfile_is_name(name)) {
    const uint8_t* data = nullptr;
    int64_t length = 0;
    MemBlockRef block = memfile_lookup(name, &data, &length);
    if (block == nullptr) return false;
    stamp->block = block;
    stamp->data = data;
    stamp->size = length;
    return true;
  }
  platform::FileStatus st;
  if (!platform::file_status(name, &st) || st.is_folder) return false;
  stamp_from_status(st, stamp);
  return true;
}

// A block that is gone matches nothing: its address may hold another now.
bool same_state(const FileStamp& a, const FileStamp& b) {
  return a.device == b.device && a.inode == b.inode && a.size == b.size &&
         a.modified_ns == b.modified_ns && a.changed_ns == b.changed_ns && a.data == b.data &&
         a.block.lock() == b.block.lock();
}

}  // namespace

struct ArchiveIndex {
  RtFile file;  // the archive file, kept open for the entries' data
  FileStamp stamp;
  // By entry name in ASCII lower case; of equal names only the first.
  std::unordered_map<std::string, ArchiveEntry> entries;
};

ArchiveHolder::~ArchiveHolder() = default;

namespace {

// Reads the trailer and the whole directory into an index.
Trailer index_read(RtFile& file, ArchiveIndex* index) {
  Directory dir;
  const Trailer trailer = read_trailer(file, &dir);
  if (trailer != Trailer::kFound) return trailer;
  std::vector<uint8_t> directory;
  if (!read_directory(file, dir, &directory)) return Trailer::kUnreadable;
  size_t pos = 0;
  ArchiveEntry entry;
  while (next_entry(directory, dir.base, &pos, &entry) == Next::kEntry) {
    index->entries.try_emplace(lower_ascii(entry.name.data(), entry.name.size()), entry);
  }
  return Trailer::kFound;
}

enum class IndexState { kReady, kNoFile, kNoArchive, kUnreadable };

// Makes the holder's index that of its archive file as it is now: the one
// read before while the file is unchanged, else the file opened and read
// anew.
IndexState index_refresh(ArchiveHolder* holder) {
  FileStamp now;
  if (holder->index != nullptr && stamp_of_name(holder->archive_path, &now) &&
      same_state(holder->index->stamp, now)) {
    return IndexState::kReady;
  }
  holder->index.reset();
  auto index = std::make_unique<ArchiveIndex>();
  if (!index->file.open_read(holder->archive_path)) return IndexState::kNoFile;
  index->stamp = stamp_of(index->file);
  switch (index_read(index->file, index.get())) {
    case Trailer::kFound:
      holder->index = std::move(index);
      return IndexState::kReady;
    case Trailer::kUnreadable:
      return IndexState::kUnreadable;
    case Trailer::kAbsent:
    case Trailer::kDamaged:
      break;
  }
  return IndexState::kNoArchive;
}

}  // namespace

void archive_release(ArchiveHolder* holder) {
  if (holder->block != nullptr) {
    memfile_unregister(holder->block->data);
    holder->block.reset();
  } else if (holder->extracted_path[0] != 0) {
    path_delete(holder->extracted_path);
    holder->extracted_path[0] = 0;
  }
}

RtString archive_temp_name(const char* entry_name, int32_t offset, int32_t stored) {
  // In the run's private folder: a fixed name in the shared temporary
  // folder could be anybody's link.
  const std::string folder = platform::run_folder();
  if (folder.empty()) return RtString();
  RtString name((folder + "/").c_str());
  char tag[6] = {'t', 'b', 'x', 0, 0, 0};
  tag[3] = static_cast<char>('A' + static_cast<uint8_t>(offset) % 26);
  tag[4] = static_cast<char>('A' + static_cast<uint8_t>(stored) % 26);
  name.append(tag);
  name.append(entry_name);
  return name;
}

bool archive_lookup(ArchiveHolder* holder, const char* name, char out[kPathBufferSize],
                    bool memory_mode) {
  // Resolving the name of the block this holder hands out right now (a
  // loader passing a resolved name on) keeps the block and its name instead
  // of releasing the very bytes the name points to.
  if (holder->block != nullptr && memfile_is_name(name)) {
    const uint8_t* data = nullptr;
    int64_t length = 0;
    if (memfile_lookup(name, &data, &length) == holder->block) {
      copy_name(out, name);
      return true;
    }
  }
  archive_release(holder);
  out[0] = 0;
  if (name == nullptr || name[0] == 0 || std::strlen(name) >= kPathBufferSize) return false;
  copy_name(out, name);

  if (exists_directly(name)) return true;

  if (holder->enabled == 0) return false;
  if (holder->archive_path[0] == 0) {
    holder->enabled = 0;
    return false;
  }
  switch (index_refresh(holder)) {
    case IndexState::kReady:
      break;
    case IndexState::kNoFile:
      holder->enabled = 0;
      return false;
    case IndexState::kUnreadable:
      out[0] = 0;
      return false;
    case IndexState::kNoArchive:
      holder->enabled = 0;
      out[0] = 0;
      return false;
  }

  const char* wanted = path_file_part(name);
  ArchiveIndex& index = *holder->index;
  const auto found = index.entries.find(lower_ascii(wanted, std::strlen(wanted)));
  if (found == index.entries.end() || !data_in_file(index.file, found->second)) {
    out[0] = 0;
    return false;
  }
  const ArchiveEntry& entry = found->second;

  std::shared_ptr<MemBlock> block = load_entry(index.file, entry);
  if (block == nullptr) {
    out[0] = 0;
    return false;
  }

  if (memory_mode) {
    holder->block = block;
    memfile_register(holder->block);
    char mem_name[kMemNameSize];
    memfile_format(mem_name, block->data, block->length);
    copy_name(out, mem_name);
    return true;
  }

  RtString temp = archive_temp_name(entry.name.c_str(), entry.offset, entry.stored);
  RtFile extracted;
  // Nobody else can make a name in the run's folder: what is left of the
  // same entry may go.
  if (temp.length > 0) path_delete(temp.c_str());
  bool written = temp.length > 0 && temp.length < kPathBufferSize &&
                 extracted.open_create_new(temp.c_str()) &&
                 extracted.write(block->data, block->length);
  extracted.close();
  if (!written) {
    path_delete(temp.c_str());
    out[0] = 0;
    return false;
  }
  copy_name(holder->extracted_path, temp.c_str());
  copy_name(out, temp.c_str());
  return true;
}

void archive_set(const char* memory_path, const char* file_path) {
  const char* paths[2] = {memory_path, file_path};
  ArchiveHolder* holders[2] = {ctx.archive_holders[kMemoryHolder],
                               ctx.archive_holders[kFileHolder]};
  for (int i = 0; i < 2; ++i) {
    ArchiveHolder* holder = holders[i];
    if (holder == nullptr) continue;
    holder->enabled = 1;
    archive_release(holder);
    holder->extracted_path[0] = 0;
    holder->index.reset();
    copy_name(holder->archive_path, paths[i] != nullptr ? paths[i] : "");
  }
}

void archive_holders_create() {
  for (ArchiveHolder*& holder : ctx.archive_holders) {
    if (holder == nullptr) holder = new ArchiveHolder();
  }
}

void archive_holders_destroy() {
  for (ArchiveHolder*& holder : ctx.archive_holders) {
    if (holder == nullptr) continue;
    archive_release(holder);
    delete holder;
    holder = nullptr;
  }
}

bool path_resolve(RtString& name) {
  if (name.empty()) return false;
  ArchiveHolder* holder = ctx.archive_holders[kMemoryHolder];
  if (holder == nullptr) {
    // No holders (start-up has not created them): the disk alone answers.
    return name.length < kPathBufferSize && exists_directly(name.c_str());
  }
  char out[kPathBufferSize];
  if (!archive_lookup(holder, name.c_str(), out, true)) return false;
  name.assign(out);
  return true;
}

void path_resolved_release(const RtString& resolved) {
  ArchiveHolder* holder = ctx.archive_holders[kMemoryHolder];
  if (holder == nullptr || holder->block == nullptr || !memfile_is_name(resolved.c_str())) return;
  const uint8_t* data = nullptr;
  int64_t length = 0;
  if (memfile_lookup(resolved.c_str(), &data, &length) == holder->block) archive_release(holder);
}

bool archive_present(RtFile& file) {
  Directory dir;
  return read_trailer(file, &dir) == Trailer::kFound;
}

bool archive_read_directory(RtFile& file, std::vector<ArchiveEntry>& entries) {
  entries.clear();
  Directory dir;
  if (read_trailer(file, &dir) != Trailer::kFound) return false;
  std::vector<uint8_t> directory;
  if (!read_directory(file, dir, &directory)) return false;
  size_t pos = 0;
  for (;;) {
    ArchiveEntry entry;
    Next next = next_entry(directory, dir.base, &pos, &entry);
    if (next == Next::kEnd) return true;
    if (next == Next::kDamaged || !data_in_file(file, entry)) return false;
    entries.push_back(std::move(entry));
  }
}

bool archive_read_entry(RtFile& file, const ArchiveEntry& entry, std::vector<uint8_t>& out) {
  out.clear();
  if (!data_in_file(file, entry)) return false;
  // Unlike a lookup, a listing tool wants to know about a broken stream.
  std::vector<uint8_t> stored(static_cast<size_t>(entry.stored));
  file.seek(entry.data_start, 0);
  if (!read_exact(file, stored.data(), entry.stored)) return false;
  const uint32_t wanted = get_u32(stored.data());
  const uint64_t packed = stored.size() - 4;
  if (wanted > max_expansion(packed) || !lzo_ready()) return false;
  out.resize(wanted);
  if (wanted == 0) return true;
  lzo_uint out_len = wanted;
  int rc = lzo1x_decompress_safe(stored.data() + 4, static_cast<lzo_uint>(packed), out.data(),
                                 &out_len, nullptr);
  if (rc != LZO_E_OK || out_len != wanted) {
    out.clear();
    return false;
  }
  return true;
}

bool archive_build(const std::vector<ArchiveSource>& sources, std::vector<uint8_t>& out,
                   std::string* error) {
  out.clear();
  auto fail = [&](const std::string& message) {
    if (error != nullptr) *error = message;
    out.clear();
    return false;
  };
  if (!lzo_ready()) return fail("LZO initialisation failed");
  for (size_t i = 0; i < sources.size(); ++i) {
    const std::string& n = sources[i].name;
    if (n.empty() || n.size() > 255) return fail("bad entry name length: " + n);
    if (n.find_first_of("/\\") != std::string::npos || n.find('\0') != std::string::npos) {
      return fail("entry names carry no folder part: " + n);
    }
    if (sources[i].bytes.size() > kArchiveEntryMaxBytes) {
      return fail("entry larger than " + std::to_string(kArchiveEntryMaxBytes >> 20) +
                  " MiB: " + n);
    }
    for (size_t j = 0; j < i; ++j) {
      if (same_name(n.data(), n.size(), sources[j].name.data(), sources[j].name.size())) {
        return fail("entry names differ only in case: " + sources[j].name + ", " + n);
      }
    }
  }

  // Entry data first, then the directory, the end mark and the trailer.
  std::vector<uint8_t> work(LZO1X_1_MEM_COMPRESS);
  std::vector<int64_t> starts;
  std::vector<int64_t> lengths;
  for (const ArchiveSource& src : sources) {
    const size_t in_len = src.bytes.size();
    std::vector<uint8_t> packed(in_len + in_len / 16 + 64 + 3);
    lzo_uint packed_len = 0;
    static const uint8_t kNothing = 0;
    const uint8_t* in = in_len > 0 ? src.bytes.data() : &kNothing;
    if (lzo1x_1_compress(in, static_cast<lzo_uint>(in_len), packed.data(), &packed_len,
                         work.data()) != LZO_E_OK) {
      return fail("compression failed: " + src.name);
    }
    starts.push_back(static_cast<int64_t>(out.size()));
    put_u32(out, static_cast<uint32_t>(in_len));
    out.insert(out.end(), packed.begin(), packed.begin() + static_cast<ptrdiff_t>(packed_len));
    lengths.push_back(static_cast<int64_t>(packed_len) + 4);
  }
  const int64_t dir_start = static_cast<int64_t>(out.size());
  int64_t dir_bytes = 1;
  for (const ArchiveSource& src : sources)
    dir_bytes += 1 + static_cast<int64_t>(src.name.size()) + 8;
  const int64_t total = dir_start + dir_bytes + kTrailerSize;
  if (total > INT32_MAX) return fail("archive larger than 2 GiB");

  for (size_t i = 0; i < sources.size(); ++i) {
    out.push_back(static_cast<uint8_t>(sources[i].name.size()));
    out.insert(out.end(), sources[i].name.begin(), sources[i].name.end());
    put_u32(out, static_cast<uint32_t>(static_cast<int32_t>(starts[i] - total)));
    put_u32(out, static_cast<uint32_t>(static_cast<int32_t>(lengths[i])));
  }
  out.push_back(0);
  out.push_back('t');
  out.push_back('b');
  out.push_back('X');
  put_u32(out, static_cast<uint32_t>(static_cast<int32_t>(dir_start - total)));
  return true;
}

}  // namespace zrv
