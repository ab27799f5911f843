// The INI file: one cached settings file of [section] headers and key=value
// entries, read once by ini_open, read and changed in memory, and written
// back (whole, through a temporary file) when another INI file is opened or
// the program ends.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/rt_string.hpp"

namespace zrv {

struct IniEntry {
  RtString key;
  RtString value;
};

struct IniSection {
  RtString name;
  std::vector<IniEntry> entries;
};

struct IniFile {
  std::vector<IniSection> sections;  // file order, then order of creation
  RtString file_name;                // as opened (after resolution); "" = none
  uint8_t dirty = 0;                 // changed since it was read
  bool failure_reported = false;     // a failed write-back was said on stderr
  // The file holds what reading cannot keep (a line of 1024 bytes or more,
  // a NUL byte, a carriage return without a line feed): writing the INI
  // back would destroy it, so it is not written back.
  bool unkept = false;
  // Where a write-back goes: file_name made absolute when it was opened, so
  // that a change of the current directory does not redirect it.
  std::string write_path;
};

void ini_open(const RtString& name);
// The value of the first matching key in the first matching section (ASCII
// case ignored), else the default.
RtString ini_get(const RtString& section, const RtString& key, const RtString& default_value);
// Sets, adds or (with an empty value) removes an entry.
void ini_put(const RtString& section, const RtString& key, const RtString& value);

// --- Parts shared with the line files, the fuzzer and the tests ----------

// The process's INI (created on first use).
IniFile& ini_instance();
// Parses the lines of a file's bytes into sections (appended to
// ini.sections).
void ini_parse(std::span<const uint8_t> text, IniFile& ini);
// The text a write-back writes.
std::string ini_format(const IniFile& ini);
// Writes the INI back when it is dirty and names a disk file. True when
// nothing had to be written or the new file is in place; a failed write
// leaves the old file complete and the INI dirty.
bool ini_write_back(IniFile& ini);
// _stricmp equality of two texts (up to their first zero byte).
bool text_equal_nocase(const char* a, const char* b);

}  // namespace zrv
