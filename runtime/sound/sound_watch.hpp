// Sounds reloaded from their files while the program runs (--watch).
#pragma once

#include <cstdint>
#include <string>

#include "base/rt_string.hpp"

namespace zrv {

// The file a slot was loaded from (remembered only while media are watched);
// a slot whose load failed forgets it.
void sound_source_note(int32_t slot, const RtString& resolved);
void sound_source_forget(int32_t slot);

// Loads a watched file that changed on disk into every slot loaded from it,
// with the slot's buffer count. The number of slots reloaded; a file that
// does not read as a sample leaves the old sound and says why.
int32_t sounds_reload_file(const std::string& path, std::string* why);

}  // namespace zrv
