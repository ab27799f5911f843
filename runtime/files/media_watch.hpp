// The media files a program loaded, watched on disk while it runs (--watch),
// so that a picture or sound saved again is reloaded into its slot.
#pragma once

#include <string>
#include <vector>

#include "base/rt_string.hpp"

namespace zrv {

// Turns watching on for the rest of the run. Until then (and for good in a
// run that never calls it) the calls below do nothing.
void media_watch_start();
bool media_watch_on();
// Watches a file a loader read by its resolved name; the name the changes
// will carry (absolute), or "" when it is not watched: watching is off, or
// the name is a memory file of the appended archive.
std::string media_watch_note(const RtString& resolved);
// The watched files saved again since the last call, each once. Never waits.
std::vector<std::string> media_watch_take_changed();
// Stops watching (at shutdown).
void media_watch_stop();

}  // namespace zrv
