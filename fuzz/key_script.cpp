// Key scripts are read from files given on the command line: any bytes
// must parse without reading outside the input, and every accepted entry
// must be a valid key state.
#include "input/key_script.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "input/keys.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zrv::key_script_load_text(reinterpret_cast<const char*>(data), size);
  int64_t frame = 0;
  for (int step = 0; step < 8; ++step) {
    zrv::key_script_advance(frame);
    for (int32_t code = 0; code < 256; ++code) {
      const int32_t down = zrv::key_down(code);
      if (down != 0 && down != 1) std::abort();
      if (down != zrv::key_down(code + 256)) std::abort();
    }
    frame = frame * 7 + 3;
  }
  zrv::key_script_advance(INT64_MAX);
  zrv::key_script_clear();
  return 0;
}
