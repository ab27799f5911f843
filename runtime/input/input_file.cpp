#include "input/input_file.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace zrv {

bool input_file_read(const char* path, std::vector<char>* data, std::string* why) {
  data->clear();
  std::FILE* f = std::fopen(path, "rb");
  if (f == nullptr) {
    *why = std::string("cannot read '") + path + "': " + std::strerror(errno);
    return false;
  }
  char chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
    if (data->size() + got > kInputFileMaxBytes) {
      std::fclose(f);
      data->clear();
      *why = std::string("'") + path + "' is larger than " +
             std::to_string(kInputFileMaxBytes >> 20) + " MiB";
      return false;
    }
    data->insert(data->end(), chunk, chunk + got);
  }
  const bool ok = !std::ferror(f);
  std::fclose(f);
  if (!ok) *why = std::string("cannot read '") + path + "'";
  return ok;
}

}  // namespace zrv
