// Fuzzes the small text parsers behind platform_info: the XDG user-dirs
// file, POSIX locale names and machine-id files.
#include <cstring>
#include <string>

#include "files/platform_info.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 16)) return 0;
  const char* text = reinterpret_cast<const char*>(data);
  std::string folder;
  if (zrv::xdg_user_dir_parse(text, size, "XDG_DOCUMENTS_DIR", "/home/user", &folder)) {
    // Only folders below the home folder or absolute ones come out.
    if (folder.empty() || folder[0] != '/') __builtin_trap();
    if (folder.find('\0') != std::string::npos || folder.find('\n') != std::string::npos) {
      __builtin_trap();
    }
  }
  const std::string locale(text, strnlen(text, size));
  const uint32_t id = zrv::language_id_from_posix(locale.c_str());
  const zrv::RtString answer = zrv::locale_from_language_id(id);
  if (answer.length != 2) __builtin_trap();
  uint8_t machine[16];
  if (zrv::machine_id_parse(text, size, machine)) {
    bool any = false;
    for (uint8_t b : machine) any = any || b != 0;
    if (!any) __builtin_trap();
    (void)zrv::device_id_text(zrv::device_value_from_machine_id(machine));
  }
  return 0;
}
