// What each platform gives the shared run folder (run_folder.cpp): making
// a new one, and whether the one made is still there.
#pragma once

#include <string>

namespace zrv::platform {

// A new private folder for this run below the user's folder in the
// temporary folder; "" when none could be made.
std::string run_folder_make();
// Whether the folder is still a folder (not a link to one).
bool run_folder_present(const std::string& folder);

// Anything but letters, digits, '.', '_' and '-' replaced, so that the name
// can start a folder name; at most 64 characters; fallback when empty.
std::string plain_name(std::string name, const char* fallback);
// The program's file name as a plain name.
std::string program_tag();

}  // namespace zrv::platform
