// The media player: libmpv, one player core per opened file. Music plays
// without video output; video is drawn by the caller into its own OpenGL
// context through mpv's render interface. Bytes held in memory are played
// through a stream protocol of our own ("zrvmem://").
#include "platform/mpv/media_mpv.hpp"

#include <mpv/client.h>
#include <mpv/render_gl.h>
#include <mpv/stream_cb.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/media.hpp"

namespace zrv::platform {

struct MediaPlayer {
  mpv_handle* mpv = nullptr;
  mpv_render_context* render = nullptr;
  bool loaded = false;
  bool video = false;
  std::shared_ptr<const uint8_t> memory;
  size_t memory_length = 0;
};

namespace {

std::string g_audio_output;  // as set; process-wide
GlProcLookup g_gl_lookup = nullptr;

// Opening waits this long at most for the file to be read.
constexpr double kOpenTimeoutS = 10.0;

void* gl_proc(void* /*ctx*/, const char* name) { return g_gl_lookup ? g_gl_lookup(name) : nullptr; }

struct MemoryStream {
  std::shared_ptr<const uint8_t> data;
  uint64_t size = 0;
  uint64_t position = 0;
};

int64_t memory_read(void* cookie, char* buf, uint64_t nbytes) {
  auto* s = static_cast<MemoryStream*>(cookie);
  if (s->position >= s->size) return 0;
  const uint64_t n = std::min<uint64_t>(nbytes, s->size - s->position);
  std::memcpy(buf, s->data.get() + s->position, n);
  s->position += n;
  return static_cast<int64_t>(n);
}

int64_t memory_seek(void* cookie, int64_t offset) {
  auto* s = static_cast<MemoryStream*>(cookie);
  if (offset < 0 || static_cast<uint64_t>(offset) > s->size) return MPV_ERROR_GENERIC;
  s->position = static_cast<uint64_t>(offset);
  return offset;
}

int64_t memory_size(void* cookie) {
  return static_cast<int64_t>(static_cast<MemoryStream*>(cookie)->size);
}

void memory_close(void* cookie) { delete static_cast<MemoryStream*>(cookie); }

int memory_open(void* user_data, char* /*uri*/, mpv_stream_cb_info* info) {
  auto* player = static_cast<MediaPlayer*>(user_data);
  if (!player->memory) return MPV_ERROR_LOADING_FAILED;
  auto* s = new MemoryStream;
  s->data = player->memory;
  s->size = player->memory_length;
  info->cookie = s;
  info->read_fn = memory_read;
  info->seek_fn = memory_seek;
  info->size_fn = memory_size;
  info->close_fn = memory_close;
  return 0;
}

void set_option(mpv_handle* m, const char* name, const char* value) {
  mpv_set_option_string(m, name, value);
}

double property_double(mpv_handle* m, const char* name, double fallback) {
  double v = 0;
  if (mpv_get_property(m, name, MPV_FORMAT_DOUBLE, &v) < 0) return fallback;
  return v;
}

bool property_flag(mpv_handle* m, const char* name) {
  int v = 0;
  if (mpv_get_property(m, name, MPV_FORMAT_FLAG, &v) < 0) return false;
  return v != 0;
}

void command(mpv_handle* m, std::initializer_list<const char*> args) {
  std::vector<const char*> argv(args);
  argv.push_back(nullptr);
  mpv_command(m, argv.data());
}

// Waits for the file to be read (true) or refused (false).
bool wait_loaded(mpv_handle* m) {
  for (;;) {
    mpv_event* e = mpv_wait_event(m, kOpenTimeoutS);
    switch (e->event_id) {
      case MPV_EVENT_FILE_LOADED:
        return true;
      case MPV_EVENT_END_FILE:
      case MPV_EVENT_SHUTDOWN:
      case MPV_EVENT_NONE:  // timed out
        return false;
      default:
        break;
    }
  }
}

// The first picture's format is known once the decoder produced it.
void wait_video_format(mpv_handle* m) {
  int64_t w = 0;
  if (mpv_get_property(m, "current-tracks/video/id", MPV_FORMAT_INT64, &w) < 0) return;
  if (mpv_get_property(m, "dwidth", MPV_FORMAT_INT64, &w) >= 0 && w > 0) return;
  for (int i = 0; i < 200; ++i) {
    mpv_event* e = mpv_wait_event(m, 0.025);
    if (e->event_id == MPV_EVENT_END_FILE || e->event_id == MPV_EVENT_SHUTDOWN) return;
    if (mpv_get_property(m, "dwidth", MPV_FORMAT_INT64, &w) >= 0 && w > 0) return;
  }
}

void destroy(MediaPlayer* player) {
  if (player == nullptr) return;
  // The render context goes before its core.
  if (player->render) mpv_render_context_free(player->render);
  if (player->mpv) mpv_terminate_destroy(player->mpv);
  delete player;
}

MediaPlayer* open_target(const std::string& target, const std::string& audio_output, bool video,
                         GlProcLookup gl_lookup, std::shared_ptr<const uint8_t> memory,
                         size_t memory_length) {
  mpv_handle* m = mpv_create();
  if (m == nullptr) return nullptr;
  auto* p = new MediaPlayer;
  p->mpv = m;
  p->memory = std::move(memory);
  p->memory_length = memory_length;
  set_option(m, "terminal", "no");
  set_option(m, "config", "no");
  set_option(m, "idle", "yes");
  set_option(m, "keep-open", "yes");  // stays at the end, as a media window does
  set_option(m, "pause", "yes");      // opened, not yet playing
  set_option(m, "input-default-bindings", "no");
  set_option(m, "input-vo-keyboard", "no");
  set_option(m, "osc", "no");
  set_option(m, "load-scripts", "no");
  set_option(m, "ytdl", "no");
  set_option(m, "audio-display", "no");
  set_option(m, "volume-max", "200");
  set_option(m, "hwdec", "no");
  if (!audio_output.empty()) set_option(m, "ao", audio_output.c_str());
  // Without an audio device (no sound card) a track still plays its length,
  // silently, instead of being dropped at once.
  set_option(m, "audio-fallback-to-null", "yes");
  // The null output would take in a large piece ahead and so reach the end
  // well before the time the track lasts; keep it close to real time.
  set_option(m, "ao-null-buffer", "0.02");
  if (audio_output == "null") set_option(m, "audio-buffer", "0.05");
  const bool with_picture = video && gl_lookup != nullptr;
  if (with_picture) {
    set_option(m, "vo", "libmpv");
  } else {
    set_option(m, "vo", "null");
    if (!video) set_option(m, "vid", "no");
  }
  if (mpv_initialize(m) < 0) {
    destroy(p);
    return nullptr;
  }
  if (with_picture) {
    g_gl_lookup = gl_lookup;
    mpv_opengl_init_params gl{gl_proc, nullptr};
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_OPENGL)},
        {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &gl},
        {MPV_RENDER_PARAM_INVALID, nullptr}};
    if (mpv_render_context_create(&p->render, m, params) < 0) p->render = nullptr;
  }
  p->video = video;
  if (p->memory) mpv_stream_cb_add_ro(m, "zrvmem", p, memory_open);
  command(m, {"loadfile", target.c_str()});
  p->loaded = wait_loaded(m);
  if (p->loaded && p->render) wait_video_format(m);
  return p;
}

// A path mpv takes as a local file whatever its characters: absolute.
std::string local_target(const char* path) {
  if (path[0] == '/') return path;
  char* full = realpath(path, nullptr);
  if (full == nullptr) return std::string("./") + path;
  std::string s(full);
  free(full);
  return s;
}

bool is_loaded(const MediaPlayer* player) { return player != nullptr && player->loaded; }

// Players are made by libmpv; a run without an audio device names "null"
// as the output its players use unless another one is set.
class MpvMedia final : public Media {
 public:
  explicit MpvMedia(const char* default_audio_output)
      : default_audio_output_(default_audio_output ? default_audio_output : "") {}

  void set_audio_output(const char* name) override { g_audio_output = name ? name : ""; }

  MediaPlayer* open(const char* path, bool video, GlProcLookup gl_lookup) override {
    if (path == nullptr || path[0] == 0) return nullptr;
    return open_target(local_target(path), audio_output(), video, gl_lookup, nullptr, 0);
  }

  MediaPlayer* open_memory(std::shared_ptr<const uint8_t> data, size_t length, bool video,
                           GlProcLookup gl_lookup) override {
    return open_target("zrvmem://file", audio_output(), video, gl_lookup, std::move(data), length);
  }

  void close(MediaPlayer* player) override { destroy(player); }

  bool loaded(MediaPlayer* player) override { return is_loaded(player); }

  double length_ms(MediaPlayer* player) override {
    if (!is_loaded(player)) return 0;
    const double d = property_double(player->mpv, "duration", 0);
    return d > 0 ? d * 1000.0 : 0;
  }

  double position_ms(MediaPlayer* player) override {
    if (!is_loaded(player)) return 0;
    // At the end mpv keeps showing the last picture, whose time lies before
    // the end: the end is the position then.
    if (property_flag(player->mpv, "eof-reached")) return length_ms(player);
    const double t = property_double(player->mpv, "time-pos", 0);
    return t > 0 ? t * 1000.0 : 0;
  }

  void play(MediaPlayer* player) override {
    if (player == nullptr) return;
    int no = 0;
    mpv_set_property(player->mpv, "pause", MPV_FORMAT_FLAG, &no);
  }

  void pause(MediaPlayer* player) override {
    if (player == nullptr) return;
    int yes = 1;
    mpv_set_property(player->mpv, "pause", MPV_FORMAT_FLAG, &yes);
  }

  bool paused(MediaPlayer* player) override {
    return player != nullptr && property_flag(player->mpv, "pause");
  }

  void seek_start(MediaPlayer* player) override {
    if (!is_loaded(player)) return;
    const bool at_end = property_flag(player->mpv, "eof-reached");
    command(player->mpv, {"seek", "0", "absolute", "exact"});
    // Leaving the end takes the player a moment; until then the position
    // would still read as the end.
    for (int i = 0; at_end && i < 100 && property_flag(player->mpv, "eof-reached"); ++i) {
      mpv_wait_event(player->mpv, 0.005);
    }
  }

  void stop(MediaPlayer* player) override {
    if (player == nullptr) return;
    pause(player);
    command(player->mpv, {"stop"});
    player->loaded = false;
  }

  void set_volume(MediaPlayer* player, int32_t units) override {
    if (player == nullptr) return;
    double v = std::clamp(units, 0, 2000) / 10.0;
    mpv_set_property(player->mpv, "volume", MPV_FORMAT_DOUBLE, &v);
  }

  int32_t volume(MediaPlayer* player) override {
    if (player == nullptr) return 0;
    return static_cast<int32_t>(std::lround(property_double(player->mpv, "volume", 0) * 10.0));
  }

  bool video_size(MediaPlayer* player, int32_t* width, int32_t* height) override {
    if (!is_loaded(player)) return false;
    int64_t w = 0, h = 0;
    if (mpv_get_property(player->mpv, "dwidth", MPV_FORMAT_INT64, &w) < 0 ||
        mpv_get_property(player->mpv, "dheight", MPV_FORMAT_INT64, &h) < 0 || w <= 0 || h <= 0) {
      return false;
    }
    *width = static_cast<int32_t>(w);
    *height = static_cast<int32_t>(h);
    return true;
  }

  bool frame_pending(MediaPlayer* player) override {
    if (player == nullptr || player->render == nullptr) return false;
    return (mpv_render_context_update(player->render) & MPV_RENDER_UPDATE_FRAME) != 0;
  }

  bool render_frame(MediaPlayer* player, uint32_t fbo, int32_t w, int32_t h) override {
    if (player == nullptr || player->render == nullptr) return false;
    mpv_opengl_fbo target{static_cast<int>(fbo), w, h, 0};
    int flip = 1;
    mpv_render_param params[] = {{MPV_RENDER_PARAM_OPENGL_FBO, &target},
                                 {MPV_RENDER_PARAM_FLIP_Y, &flip},
                                 {MPV_RENDER_PARAM_INVALID, nullptr}};
    return mpv_render_context_render(player->render, params) >= 0;
  }

  void frame_shown(MediaPlayer* player) override {
    if (player && player->render) mpv_render_context_report_swap(player->render);
  }

  void service(MediaPlayer* player) override {
    if (player == nullptr) return;
    while (mpv_wait_event(player->mpv, 0)->event_id != MPV_EVENT_NONE) {
    }
  }

 private:
  const std::string& audio_output() const {
    return g_audio_output.empty() ? default_audio_output_ : g_audio_output;
  }

  std::string default_audio_output_;
};

}  // namespace

std::unique_ptr<Media> make_mpv_media(const char* default_audio_output) {
  return std::make_unique<MpvMedia>(default_audio_output);
}

}  // namespace zrv::platform
