// The program's file in the page's file system: the name the page starts
// it under (Module.thisProgram), in the folder its media were put in.
#include <emscripten.h>

#include <cstdlib>

#include "platform/platform.hpp"

namespace zrv::platform {

namespace {

EM_JS(char*, page_program_name, (), {
  const name = Module.thisProgram || "";
  const size = lengthBytesUTF8(name) + 1;
  const ptr = _malloc(size);
  stringToUTF8(name, ptr, size);
  return ptr;
});

}  // namespace

std::string program_path() {
  char* name = page_program_name();
  std::string path = name != nullptr ? name : "";
  std::free(name);
  // Only a full path names a file.
  return !path.empty() && path[0] == '/' ? path : std::string();
}

}  // namespace zrv::platform
