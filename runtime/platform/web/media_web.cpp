// Music and video through the page's own <audio> and <video> elements: the
// browser decodes whatever it can play. A file of the program's file system
// is handed to the element as a blob. A video shows in its own element laid
// over the canvas at the rectangle the runtime gives (as a player with a
// window of its own does on the desktop).
#include <emscripten.h>

#include <vector>

#include "platform/files.hpp"
#include "platform/web/web_page.hpp"

namespace zrv::platform {

struct MediaPlayer {
  int32_t id = 0;
  int32_t volume = 1000;
};

namespace web {

namespace {

// clang-format off
// The elements by id in Module.zrvMedia; an id is never 0.
EM_JS(int, media_open, (const uint8_t* bytes, int length, int video), {
  const list = Module.zrvMedia || (Module.zrvMedia = [null]);
  const el = document.createElement(video ? 'video' : 'audio');
  el.preload = 'auto';
  el.playsInline = true;
  el.zrvFailed = false;
  el.onerror = () => { el.zrvFailed = true; };
  const data = HEAPU8.slice(bytes, bytes + length);
  el.src = URL.createObjectURL(new Blob([data]));
  if (video) {
    el.style.position = 'absolute';
    el.style.display = 'none';
    el.style.pointerEvents = 'none';
    (Module.canvas.parentElement || document.body).appendChild(el);
  }
  el.load();
  list.push(el);
  return list.length - 1;
});

EM_JS(void, media_close, (int id), {
  const el = Module.zrvMedia[id];
  if (!el) return;
  el.pause();
  URL.revokeObjectURL(el.src);
  el.removeAttribute('src');
  el.remove();
  Module.zrvMedia[id] = null;
});

// 1: metadata known; 0: not yet; -1: cannot be played.
EM_JS(int, media_state, (int id), {
  const el = Module.zrvMedia[id];
  if (!el || el.zrvFailed || el.error) return -1;
  return el.readyState >= 1 ? 1 : 0;
});

EM_JS(double, media_number, (int id, int what), {
  const el = Module.zrvMedia[id];
  if (!el) return 0;
  switch (what) {
    case 0:
      return isFinite(el.duration) ? el.duration * 1000 : 0;
    case 1:
      return el.currentTime * 1000;
    case 2:
      return el.paused ? 1 : 0;
    case 3:
      return el.videoWidth || 0;
    case 4:
      return el.videoHeight || 0;
  }
  return 0;
});

// Play waits for the user's first gesture where the browser asks for one:
// the page's start overlay gives it before the program runs.
EM_JS(void, media_do, (int id, int what, double value), {
  const el = Module.zrvMedia[id];
  if (!el) return;
  switch (what) {
    case 0: {
      const p = el.play();
      if (p && p.catch) p.catch(() => {});
      break;
    }
    case 1:
      el.pause();
      break;
    case 2:
      el.currentTime = 0;
      break;
    case 3:
      el.pause();
      el.currentTime = 0;
      break;
    case 4:
      el.volume = Math.max(0, Math.min(1, value));
      break;
  }
});

EM_JS(void, media_place, (int id, int x, int y, int w, int h), {
  const el = Module.zrvMedia[id];
  const canvas = Module.canvas;
  if (!el || !canvas) return;
  // Canvas pixels to the page's: the canvas is scaled to fit.
  const box = canvas.getBoundingClientRect();
  const parent = (canvas.parentElement || document.body).getBoundingClientRect();
  const sx = box.width / canvas.width, sy = box.height / canvas.height;
  el.style.left = (box.left - parent.left + x * sx) + 'px';
  el.style.top = (box.top - parent.top + y * sy) + 'px';
  el.style.width = (w * sx) + 'px';
  el.style.height = (h * sy) + 'px';
  el.style.display = w > 0 && h > 0 ? 'block' : 'none';
});
// clang-format on

// The whole file, through the platform's own file calls.
bool read_whole(const char* path, std::vector<uint8_t>* bytes) {
  const int fd = file_open_read(path);
  FileStatus status;
  bool ok = fd >= 0 && file_status_open(fd, &status);
  if (ok) {
    bytes->resize(static_cast<size_t>(status.size));
    ok = file_read(fd, bytes->data(), static_cast<int64_t>(bytes->size())) ==
         static_cast<int64_t>(bytes->size());
  }
  if (fd >= 0) file_close(fd);
  return ok;
}

class WebMedia final : public Media {
 public:
  MediaPlayer* open(const char* path, bool video, GlProcLookup) override {
    auto* p = new MediaPlayer;
    std::vector<uint8_t> bytes;
    if (read_whole(path, &bytes)) {
      p->id = media_open(bytes.data(), static_cast<int>(bytes.size()), video ? 1 : 0);
    }
    return p;
  }
  MediaPlayer* open_memory(std::shared_ptr<const uint8_t> data, size_t length, bool video,
                           GlProcLookup) override {
    auto* p = new MediaPlayer;
    p->id = media_open(data.get(), static_cast<int>(length), video ? 1 : 0);
    return p;
  }
  void close(MediaPlayer* p) override {
    if (p == nullptr) return;
    if (p->id != 0) media_close(p->id);
    delete p;
  }
  // The browser reads the file in the background: the first questions
  // wait a little for its length to be known.
  bool loaded(MediaPlayer* p) override {
    if (p == nullptr || p->id == 0) return false;
    for (int waited = 0; waited < 2000; waited += 10) {
      const int state = media_state(p->id);
      if (state != 0) return state > 0;
      emscripten_sleep(10);
    }
    return false;
  }
  double length_ms(MediaPlayer* p) override { return loaded(p) ? media_number(p->id, 0) : 0; }
  double position_ms(MediaPlayer* p) override { return p && p->id ? media_number(p->id, 1) : 0; }
  void play(MediaPlayer* p) override { act(p, 0); }
  void pause(MediaPlayer* p) override { act(p, 1); }
  void seek_start(MediaPlayer* p) override { act(p, 2); }
  void stop(MediaPlayer* p) override { act(p, 3); }
  bool paused(MediaPlayer* p) override { return p && p->id && media_number(p->id, 2) != 0; }
  void set_volume(MediaPlayer* p, int32_t units) override {
    if (p == nullptr) return;
    p->volume = units;
    // The element's volume ends at 1: louder than normal plays as normal.
    act(p, 4, units / 1000.0);
  }
  int32_t volume(MediaPlayer* p) override { return p != nullptr ? p->volume : 0; }
  bool video_size(MediaPlayer* p, int32_t* width, int32_t* height) override {
    if (!loaded(p)) return false;
    const int32_t w = static_cast<int32_t>(media_number(p->id, 3));
    const int32_t h = static_cast<int32_t>(media_number(p->id, 4));
    if (w <= 0 || h <= 0) return false;
    *width = w;
    *height = h;
    return true;
  }
  void place_video(MediaPlayer* p, Window*, const Rect& r) override {
    if (p != nullptr && p->id != 0) media_place(p->id, r.x, r.y, r.w, r.h);
  }

 private:
  static void act(MediaPlayer* p, int what, double value = 0) {
    if (p != nullptr && p->id != 0) media_do(p->id, what, value);
  }
};

}  // namespace

std::unique_ptr<Media> make_web_media() { return std::make_unique<WebMedia>(); }

}  // namespace web
}  // namespace zrv::platform
