// The files that stand in for the devices (--keys scripts, --replay
// recordings) read whole, up to a size no real one comes near: a device
// that never ends (/dev/zero) or a huge file is refused, not read until
// memory runs out.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace zrv {

constexpr size_t kInputFileMaxBytes = size_t{64} << 20;

// False with the reason in *why ("cannot read 'x': ...", "'x' is larger
// than 64 MiB").
bool input_file_read(const char* path, std::vector<char>* data, std::string* why);

}  // namespace zrv
