#include "sound/sound_watch.hpp"

#include <map>
#include <utility>
#include <vector>

#include "base/context.hpp"
#include "files/media_watch.hpp"
#include "sound/sound_device.hpp"

namespace zrv {

namespace {
std::map<int32_t, std::string> g_sounds;  // slot -> absolute file name
}  // namespace

void sound_source_note(int32_t slot, const RtString& resolved) {
  std::string path = media_watch_note(resolved);
  if (path.empty()) {
    sound_source_forget(slot);
  } else {
    g_sounds[slot] = std::move(path);
  }
}

void sound_source_forget(int32_t slot) {
  if (!g_sounds.empty()) g_sounds.erase(slot);
}

int32_t sounds_reload_file(const std::string& path, std::string* why) {
  if (ctx.sound_slots == nullptr) return 0;
  std::vector<int32_t> slots;
  for (const auto& [slot, source] : g_sounds)
    if (source == path) slots.push_back(slot);
  int32_t reloaded = 0;
  for (int32_t slot : slots) {
    SoundSlot& old = ctx.sound_slots[slot];
    if (old.count == 0) continue;
    // Read into a slot of its own first: a file caught half written keeps
    // the old sound until its next change.
    SoundSlot fresh;
    if (const char* failed = slot_load(fresh, old.device, RtString(path.c_str()), old.count)) {
      *why = failed;
      continue;
    }
    slot_release(old);
    old = std::move(fresh);
    ++reloaded;
  }
  return reloaded;
}

}  // namespace zrv
