// Pictures reloaded from their files while the program runs (--watch): each
// slot loaded from a file on disk remembers it, and a change of the file
// puts the new picture into the same slot.
#include <map>
#include <vector>

#include "base/context.hpp"
#include "files/media_watch.hpp"
#include "gfx/image_codec.hpp"
#include "gfx/screen.hpp"
#include "gfx/sprite_internal.hpp"
#include "gfx/sprites.hpp"

namespace zrv {

namespace {

struct Source {
  std::string path;  // absolute, as the watcher reports it
  int32_t color_key;
  int32_t normal_map;
};

std::map<int32_t, Source> g_sprites;
std::string g_background;  // the file of background picture 0, "" = none watched

}  // namespace

void sprite_source_note(int32_t id, const RtString& resolved, int32_t color_key,
                        int32_t normal_map) {
  std::string path = media_watch_note(resolved);
  if (!path.empty()) g_sprites[id] = Source{std::move(path), color_key, normal_map};
}

void sprite_source_forget(int32_t id) {
  if (!g_sprites.empty()) g_sprites.erase(id);
}

void background_source_note(const RtString& resolved) { g_background = media_watch_note(resolved); }

void background_source_forget() { g_background.clear(); }

int32_t pictures_reload_file(const std::string& path, std::string* why) {
  OpenGLVireo* r = ctx.renderer;
  if (r == nullptr) return 0;
  std::vector<std::pair<int32_t, Source>> slots;
  for (const auto& [id, source] : g_sprites)
    if (source.path == path) slots.emplace_back(id, source);
  int32_t reloaded = 0;
  for (const auto& [id, source] : slots) {
    // Decoded before the slot is touched: a file caught half written keeps
    // the old picture until its next change.
    RtImage image;
    if (const char* failed = picture_read(image, path.c_str(), source.color_key)) {
      *why = failed;
      continue;
    }
    // The slot's frame size survives the delete: a sheet stays a sheet.
    sprite_delete(r, id);
    if (!sprite_upload(r, id, image, source.normal_map)) {
      *why = "no texture could be made of it";
      continue;
    }
    g_sprites[id] = source;
    ++reloaded;
  }
  if (!g_background.empty() && g_background == path) {
    const std::string keep = g_background;
    if (const char* failed = background_load_file(r, 0, path.c_str())) {
      *why = failed;
    } else {
      g_background = keep;
      // The back buffer of the coming frame was prepared with the old one.
      background_draw(r, 0);
      ++reloaded;
    }
  }
  return reloaded;
}

}  // namespace zrv
