// The SDL2 backend: window system, message queue and clocks through SDL.
#include <SDL.h>

#include <deque>

#include "platform/clock_posix.hpp"
#include "platform/platform.hpp"

namespace zrv::platform {

namespace {

// Appends the 8-bit characters of a UTF-8 text: code points up to 255 map to
// their byte, others have no 8-bit form and are dropped.
void utf8_to_chars(const char* text, std::deque<Event>* out) {
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  while (*p) {
    uint32_t cp;
    int extra;
    if (*p < 0x80) {
      cp = *p;
      extra = 0;
    } else if ((*p & 0xE0) == 0xC0) {
      cp = *p & 0x1F;
      extra = 1;
    } else if ((*p & 0xF0) == 0xE0) {
      cp = *p & 0x0F;
      extra = 2;
    } else if ((*p & 0xF8) == 0xF0) {
      cp = *p & 0x07;
      extra = 3;
    } else {
      ++p;
      continue;
    }
    ++p;
    bool ok = true;
    for (int i = 0; i < extra; ++i) {
      if ((*p & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (*p & 0x3F);
      ++p;
    }
    if (!ok || cp > 255) continue;
    Event e;
    e.type = EventType::Char;
    e.code = static_cast<int32_t>(cp);
    out->push_back(e);
  }
}

class SdlBackend final : public Backend {
public:
  SdlBackend() { ok_ = SDL_Init(SDL_INIT_EVENTS | SDL_INIT_TIMER) == 0; }
  ~SdlBackend() override {
    if (ok_) SDL_Quit();
  }
  bool ok() const { return ok_; }

  const char* name() const override { return "sdl2"; }
  bool is_headless() const override { return false; }
  bool counter_frequency(int64_t* frequency) override {
    *frequency = 1000000;
    return true;
  }
  int64_t counter_value() override { return monotonic_us(); }
  uint32_t tick_count_ms() override { return monotonic_ms32(); }
  void sleep_ms(uint32_t ms) override { sleep_whole_ms(ms); }

  bool wait_event() override {
    if (!pending_.empty()) return true;
    return SDL_WaitEvent(nullptr) == 1;
  }

  bool peek_event(Event* event) override {
    fill();
    if (pending_.empty()) return false;
    *event = pending_.front();
    return true;
  }

  bool poll_event(Event* event) override {
    fill();
    if (pending_.empty()) return false;
    *event = pending_.front();
    pending_.pop_front();
    return true;
  }

private:
  // Translates SDL events until at least one event of ours is waiting.
  void fill() {
    SDL_Event sdl;
    while (pending_.empty() && SDL_PollEvent(&sdl) == 1) translate(sdl);
  }

  void translate(const SDL_Event& sdl) {
    Event e;
    switch (sdl.type) {
      case SDL_QUIT:
        e.type = EventType::CloseRequest;
        break;
      case SDL_WINDOWEVENT:
        e.window_id = sdl.window.windowID;
        if (sdl.window.event == SDL_WINDOWEVENT_CLOSE) {
          e.type = EventType::CloseRequest;
        } else if (sdl.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
          e.type = EventType::Activated;
        } else if (sdl.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
          e.type = EventType::Deactivated;
        } else {
          e.type = EventType::Other;
        }
        break;
      case SDL_TEXTINPUT:
        utf8_to_chars(sdl.text.text, &pending_);
        return;
      default:
        e.type = EventType::Other;
        break;
    }
    pending_.push_back(e);
  }

  bool ok_ = false;
  std::deque<Event> pending_;
};

}  // namespace

std::unique_ptr<Backend> make_sdl_backend() {
  auto b = std::make_unique<SdlBackend>();
  if (!b->ok()) return nullptr;
  return b;
}

}  // namespace zrv::platform
