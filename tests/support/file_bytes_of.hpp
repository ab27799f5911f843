// The bytes of a file or a live memory-file name, as the loaders read them
// before decoding; none when it does not open.
#pragma once

#include <cstdint>
#include <vector>

#include "files/file_bytes.hpp"

namespace zrv::test {

inline std::vector<uint8_t> file_bytes_of(const char* name) {
  FileBytes file;
  if (!file_read_bytes(name, &file)) return {};
  return std::vector<uint8_t>(file.bytes.begin(), file.bytes.end());
}

}  // namespace zrv::test
