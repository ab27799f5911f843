// File names on Windows: either slash separates; a name that starts at a
// root (of the current drive, of a drive, of a share) counts as absolute.
#include "platform/path_names.hpp"

namespace zrv::platform {

namespace {

bool is_separator(char c) { return c == '/' || c == '\\'; }

}  // namespace

bool path_is_absolute(const char* name) {
  if (name == nullptr || name[0] == 0) return false;
  if (is_separator(name[0])) return true;
  const bool letter = (name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z');
  // "C:x" is relative to drive C's current folder: not the same place from
  // every current folder, but not one a folder may be put in front of
  // either, so it is taken as it is.
  return letter && name[1] == ':';
}

}  // namespace zrv::platform
