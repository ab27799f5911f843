// A small program on the runtime that finds its pictures the way a game
// does: holders pointed at its own program file, every name resolved and
// decoded. Prints "<name> <width> <height>" or "<name> missing" per argument.
#include <cstdio>
#include <string>

#include "files/archive.hpp"
#include "files/paths.hpp"
#include "gfx/image_codec.hpp"
#include "platform/platform.hpp"

int main(int argc, char** argv) {
  zrv::archive_holders_create();
  const std::string self = zrv::platform::program_path();
  zrv::archive_set(self.c_str(), self.c_str());
  int missing = 0;
  for (int i = 1; i < argc; ++i) {
    zrv::RtString name(argv[i]);
    zrv::RtImage image;
    if (zrv::path_resolve(name) && zrv::image_decode_any(image, name.c_str(), 0x8000FF)) {
      std::printf("%s %d %d\n", argv[i], image.width, image.height);
    } else {
      std::printf("%s missing\n", argv[i]);
      ++missing;
    }
  }
  zrv::archive_holders_destroy();
  return missing == 0 ? 0 : 1;
}
