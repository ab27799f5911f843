#include "gfx/backup.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/context.hpp"
#include "base/errors.hpp"
#include "files/rt_file.hpp"
#include "gfx/image_codec.hpp"
#include "gfx/renderer.hpp"
#include "gfx/sprites.hpp"
#include "gfx/targets.hpp"
#include "platform/files.hpp"
#include "platform/folders.hpp"
#include "platform/platform.hpp"

namespace zrv {

namespace {

bool backup_token_fixed = false;
uint32_t backup_token = 0;
std::string backup_file;

constexpr int32_t kLastBackupSlot = 65535;  // the fallback's scratch slot is not kept

void put_int32(uint8_t* out, int32_t v) {
  const uint32_t u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(u >> (8 * i));
}

int32_t get_int32(const uint8_t* in) {
  uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(in[i]) << (8 * i);
  return static_cast<int32_t>(u);
}

}  // namespace

const std::string& backup_path(const OpenGLVireo* r) {
  if (!backup_token_fixed) {
    backup_token =
        static_cast<uint32_t>(std::rand()) + static_cast<uint32_t>(reinterpret_cast<uintptr_t>(r));
    backup_token_fixed = true;
    std::string dir = platform::temp_directory();
    if (dir.empty()) dir = "/tmp";
    if (dir.back() != '/') dir += '/';
    char name[32];
    std::snprintf(name, sizeof name, "zrvtxs%x.bin", backup_token);
    backup_file = dir + name;
    if (backup_file.size() > 1023) backup_file.resize(1023);
  }
  return backup_file;
}

void backup_path_remove(const OpenGLVireo* r) {
  const std::string& path = backup_path(r);
  platform::FileStatus st;
  if (!platform::link_status(path.c_str(), &st)) return;
  if (st.is_folder) {
    // A directory of that name: leave it first if it is the current one.
    const std::string cwd = platform::current_directory();
    if (cwd == path || cwd + "/" == path) platform::set_current_directory(path + "/..");
    platform::permissions_set(path.c_str(), 0700);
    platform::folder_remove(path.c_str());
  } else {
    platform::file_remove(path.c_str());
  }
}

void texture_backup(OpenGLVireo* r, int32_t restore) {
  if (r == nullptr) return;
  const std::string& path = backup_path(r);
  if (restore == 0) {
    log_write("move textures from mem to temp file\n   \"");
    log_write(path.c_str());
    log_write("\"\n");
    backup_path_remove(r);
    // Made new (mode 0600): a name in the shared temporary folder that
    // someone else took, a link above all, is never written through.
    const int fd = platform::file_create_new(path);
    if (fd < 0) return;
    std::vector<uint8_t> zeros;
    bool ok = true;
    for (int32_t id = 0; id <= kLastBackupSlot && ok; ++id) {
      const SpriteRecord& s = r->sprites[id];
      if (s.image_width < 1) continue;
      uint8_t head[12];
      put_int32(head, id);
      RtImage image;
      if (sprite_read_back(r, id, image)) {
        put_int32(head + 4, image.width);
        put_int32(head + 8, image.height);
        ok = platform::file_write(fd, head, 12) &&
             platform::file_write(fd, image.pixels,
                                  static_cast<int64_t>(image.width) * image.height * 4);
      } else {
        // Without read-back the slot keeps its size with an empty picture.
        const int32_t w = s.image_width, h = s.image_height > 0 ? s.image_height : 0;
        put_int32(head + 4, w);
        put_int32(head + 8, h);
        zeros.assign(static_cast<size_t>(w) * h * 4, 0);
        ok = platform::file_write(fd, head, 12) &&
             platform::file_write(fd, zeros.data(), static_cast<int64_t>(zeros.size()));
      }
    }
    platform::file_close(fd);
    return;
  }

  log_write("restoring textures from temp file\n");
  RtFile in;
  if (!in.open_read(path.c_str())) return;
  for (;;) {
    uint8_t head[12];
    if (!in.read(head, 12)) break;
    const int32_t id = get_int32(head), w = get_int32(head + 4), h = get_int32(head + 8);
    // A record that cannot be ours ends the file (it is damaged).
    if (id < 0 || id > kLastBackupSlot) break;
    RtImage image;
    if (!image.resize(w, h)) break;
    if (!in.read(image.pixels, static_cast<int64_t>(w) * h * 4)) break;
    image.alpha_in_file = 1;
    sprite_from_image(r, id, image, 0);
    target_sprite_reloaded(r, id);
  }
  in.close();
  backup_path_remove(r);
}

void texture_backup(int32_t restore) { texture_backup(ctx.renderer, restore); }

}  // namespace zrv
