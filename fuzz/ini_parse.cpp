// Fuzzes the INI parser: any bytes parse without harm, every kept name and
// entry is well formed, and writing the result out and parsing that again
// gives the same sections.
#include <cstring>
#include <string>

#include "files/ini_file.hpp"

namespace {

bool same(const zrv::IniFile& a, const zrv::IniFile& b) {
  if (a.sections.size() != b.sections.size()) return false;
  for (size_t i = 0; i < a.sections.size(); ++i) {
    const zrv::IniSection& x = a.sections[i];
    const zrv::IniSection& y = b.sections[i];
    if (!(x.name == y.name) || x.entries.size() != y.entries.size()) return false;
    for (size_t k = 0; k < x.entries.size(); ++k) {
      if (!(x.entries[k].key == y.entries[k].key) || !(x.entries[k].value == y.entries[k].value)) {
        return false;
      }
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 18)) return 0;
  zrv::IniFile first;
  zrv::ini_parse({data, size}, first);
  for (const zrv::IniSection& s : first.sections) {
    if (s.entries.empty() || s.name.length > 1023) __builtin_trap();
    for (const zrv::IniEntry& e : s.entries) {
      if (e.value.empty() || e.key.length + e.value.length > 1022) __builtin_trap();
      if (static_cast<unsigned char>(e.value.data[e.value.length - 1]) < 32) __builtin_trap();
    }
  }
  const std::string text = zrv::ini_format(first);
  zrv::IniFile second;
  zrv::ini_parse({reinterpret_cast<const uint8_t*>(text.data()), text.size()}, second);
  if (!same(first, second)) __builtin_trap();
  return 0;
}
