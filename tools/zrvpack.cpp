// zrvpack: appends a folder of files to a program file as the archive the
// runtime reads at start-up, and lists or extracts such an archive.
//
//   zrvpack pack <program> <folder> <output>
//   zrvpack list <file>
//   zrvpack extract <file> <folder> [entry ...]

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "files/archive.hpp"
#include "files/rt_file.hpp"

namespace fs = std::filesystem;

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: zrvpack pack <program> <folder> <output>\n"
               "       zrvpack list <file>\n"
               "       zrvpack extract <file> <folder> [entry ...]\n");
  return 2;
}

bool read_file(const fs::path& path, std::vector<uint8_t>& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool write_file(const fs::path& path, const std::vector<uint8_t>& a,
                const std::vector<uint8_t>& b) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(reinterpret_cast<const char*>(a.data()), static_cast<std::streamsize>(a.size()));
  out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  out.close();
  return !out.fail();
}

// Every regular file below the folder, by its file name alone: the archive is
// flat, as lookups match only the file-name part of a requested name.
bool collect(const fs::path& folder, std::vector<zrv::ArchiveSource>& sources) {
  std::error_code ec;
  std::vector<fs::path> files;
  for (auto it = fs::recursive_directory_iterator(folder, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_regular_file(ec)) files.push_back(it->path());
  }
  if (ec) {
    std::fprintf(stderr, "zrvpack: cannot list %s: %s\n", folder.string().c_str(),
                 ec.message().c_str());
    return false;
  }
  std::sort(files.begin(), files.end());
  for (const fs::path& file : files) {
    zrv::ArchiveSource src;
    src.name = file.filename().string();
    if (!read_file(file, src.bytes)) {
      std::fprintf(stderr, "zrvpack: cannot read %s\n", file.string().c_str());
      return false;
    }
    sources.push_back(std::move(src));
  }
  return true;
}

int pack(const char* program, const char* folder, const char* output) {
  std::vector<uint8_t> base;
  if (!read_file(program, base)) {
    std::fprintf(stderr, "zrvpack: cannot read %s\n", program);
    return 1;
  }
  {
    zrv::RtFile probe;
    if (probe.open_read(program) && zrv::archive_present(probe)) {
      std::fprintf(stderr, "zrvpack: %s already carries an archive\n", program);
      return 1;
    }
  }
  std::vector<zrv::ArchiveSource> sources;
  if (!collect(folder, sources)) return 1;
  std::vector<uint8_t> archive;
  std::string error;
  if (!zrv::archive_build(sources, archive, &error)) {
    std::fprintf(stderr, "zrvpack: %s\n", error.c_str());
    return 1;
  }
  // Write beside the output and rename, so that a failed run leaves no half file.
  fs::path out_path(output);
  fs::path temp = out_path;
  temp += ".zrvpack-tmp";
  if (!write_file(temp, base, archive)) {
    std::fprintf(stderr, "zrvpack: cannot write %s\n", temp.string().c_str());
    fs::remove(temp);
    return 1;
  }
  // The new program may run as the old one did.
  std::error_code ec;
  const fs::perms mode = fs::status(program, ec).permissions();
  if (!ec) fs::permissions(temp, mode, ec);
  fs::rename(temp, out_path, ec);
  if (ec) {
    std::fprintf(stderr, "zrvpack: cannot create %s: %s\n", output, ec.message().c_str());
    fs::remove(temp);
    return 1;
  }
  std::printf("zrvpack: %zu entries, %zu bytes appended to %s\n", sources.size(), archive.size(),
              output);
  return 0;
}

bool open_archive(const char* file_name, zrv::RtFile& file,
                  std::vector<zrv::ArchiveEntry>& entries) {
  if (!file.open_read(file_name)) {
    std::fprintf(stderr, "zrvpack: cannot open %s\n", file_name);
    return false;
  }
  if (!zrv::archive_read_directory(file, entries)) {
    std::fprintf(stderr, "zrvpack: %s carries no readable archive\n", file_name);
    return false;
  }
  return true;
}

int list(const char* file_name) {
  zrv::RtFile file;
  std::vector<zrv::ArchiveEntry> entries;
  if (!open_archive(file_name, file, entries)) return 1;
  int status = 0;
  std::vector<uint8_t> bytes;
  for (const zrv::ArchiveEntry& e : entries) {
    if (zrv::archive_read_entry(file, e, bytes)) {
      std::printf("%10zu %10d  %s\n", bytes.size(), e.stored, e.name.c_str());
    } else {
      std::printf("%10s %10d  %s\n", "damaged", e.stored, e.name.c_str());
      status = 1;
    }
  }
  return status;
}

// Names that would leave the target folder are not written.
bool safe_entry_name(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

int extract(const char* file_name, const char* folder, int count, char** wanted) {
  zrv::RtFile file;
  std::vector<zrv::ArchiveEntry> entries;
  if (!open_archive(file_name, file, entries)) return 1;
  std::error_code ec;
  fs::create_directories(folder, ec);
  int status = 0;
  std::vector<bool> found(static_cast<size_t>(count), false);
  std::vector<uint8_t> bytes;
  for (const zrv::ArchiveEntry& e : entries) {
    bool take = count == 0;
    for (int i = 0; i < count; ++i) {
      if (e.name == wanted[i]) take = found[static_cast<size_t>(i)] = true;
    }
    if (!take) continue;
    if (!safe_entry_name(e.name)) {
      std::fprintf(stderr, "zrvpack: skipping unsafe entry name\n");
      status = 1;
      continue;
    }
    if (!zrv::archive_read_entry(file, e, bytes)) {
      std::fprintf(stderr, "zrvpack: entry %s is damaged\n", e.name.c_str());
      status = 1;
      continue;
    }
    if (!write_file(fs::path(folder) / e.name, bytes, {})) {
      std::fprintf(stderr, "zrvpack: cannot write %s\n", e.name.c_str());
      status = 1;
    }
  }
  for (int i = 0; i < count; ++i) {
    if (!found[static_cast<size_t>(i)]) {
      std::fprintf(stderr, "zrvpack: no entry %s\n", wanted[i]);
      status = 1;
    }
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  const std::string cmd = argv[1];
  if (cmd == "pack" && argc == 5) return pack(argv[2], argv[3], argv[4]);
  if (cmd == "list" && argc == 3) return list(argv[2]);
  if (cmd == "extract" && argc >= 4) return extract(argv[2], argv[3], argc - 4, argv + 4);
  return usage();
}
