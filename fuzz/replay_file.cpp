// Recordings are read from files given on the command line (--replay): any
// bytes must parse without reading outside the input, and whatever is
// accepted must write out as lines that read back the same.
#include "input/replay_file.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zrv::ReplayScript script;
  int64_t line = 0;
  std::string why;
  if (!zrv::replay_parse(reinterpret_cast<const char*>(data), size, &script, &line, &why)) {
    if (line < 1 || why.empty()) std::abort();
    return 0;
  }
  std::string text = zrv::replay_header_line(script.version.c_str()) + "\n";
  for (size_t i = 0; i < script.joysticks.size(); ++i) {
    text += "joystick " + std::to_string(i) + " " + script.joysticks[i] + "\n";
  }
  for (const zrv::ReplayItem& item : script.items) text += zrv::replay_item_line(item) + "\n";
  zrv::ReplayScript again;
  if (!zrv::replay_parse(text.data(), text.size(), &again, &line, &why)) std::abort();
  if (again.items.size() != script.items.size()) std::abort();
  for (size_t i = 0; i < again.items.size(); ++i) {
    if (zrv::replay_item_line(again.items[i]) != zrv::replay_item_line(script.items[i])) {
      std::abort();
    }
  }
  return 0;
}
