// Whole files written and read back by the tests: as text (a std::string of
// any bytes) or as bytes. A file that does not open reads as empty.
#pragma once

#ifndef _WIN32
#include <unistd.h>
#endif

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace zrv::test {

inline bool write_file(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

inline bool write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

inline std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::vector<uint8_t> read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

#ifndef _WIN32
// The log of the newest run of a program (its file name) whose temporary
// folder was tmp: the runtime links <tmp>/zorvane-<uid>/<program>.log to it.
inline std::string run_log(const std::string& tmp, const std::string& program) {
  const std::string leaf = program.substr(program.find_last_of('/') + 1);
  return read_file(tmp + "/zorvane-" + std::to_string(geteuid()) + "/" + leaf + ".log");
}
#endif

}  // namespace zrv::test
