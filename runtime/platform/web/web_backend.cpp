// The web backend: the page's canvas is the window and WebGL its context
// (WebGL 2 where the browser has it, else 1, both as OpenGL ES). The
// program runs as one long call that Asyncify suspends: each swap waits
// for the browser's next animation frame, and each wait gives the page its
// turn, so the page stays alive while the game loop never returns.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <string>

#include "platform/cp1252.hpp"
#include "platform/web/web_page.hpp"

namespace zrv {

struct NativeWindow {
  int32_t width = 0, height = 0;
  bool visible = false;
};

}  // namespace zrv

namespace zrv::platform {

struct GlContext {
  EMSCRIPTEN_WEBGL_CONTEXT_HANDLE handle = 0;
};

namespace web {

namespace {

// clang-format off
// Waits for the next animation frame (and keeps the display's frame time);
// a hidden page draws none, so after 100 ms a timer ends the wait instead. The program resumes as a callback
// of the page's (which takes its exit as the end of the run, not as an
// error); the build lists the call among those that may suspend it.
EM_JS(void, zrv_next_animation_frame, (), {
  // How long after the display's last frame this one was finished, for the
  // last 120 frames (Module.zrvFrameLag: what a page may show or test).
  if (Module.zrvFrameTime !== undefined) {
    const lags = Module.zrvFrameLag || (Module.zrvFrameLag = []);
    lags.push(performance.now() - Module.zrvFrameTime);
    if (lags.length > 120) lags.shift();
  }
  Asyncify.handleSleep(wakeUp => {
    let done = false;
    const resume = () => {
      if (done) return;
      done = true;
      callUserCallback(wakeUp);
    };
    requestAnimationFrame(time => {
      // The display's frame, smoothed over the last frames.
      const last = Module.zrvFrameTime;
      const step = time - last;
      if (step > 3 && step < 50) {
        Module.zrvFrameMs = Module.zrvFrameMs ? Module.zrvFrameMs * 0.9 + step * 0.1 : step;
      }
      Module.zrvFrameTime = time;
      resume();
    });
    setTimeout(resume, 100);
  });
});

EM_JS(double, zrv_display_frame_ms, (), { return Module.zrvFrameMs || 1000 / 60; });

// clang-format on

// Files written to the user's folder are kept in the browser's IndexedDB.
// The page loads them before the program starts; a copy back is started
// at most every two seconds while the program runs, and the page makes
// the last one when it ends.
void keep_user_files() {
  EM_ASM({
    if (typeof Module.zrvSaveFiles == 'function') Module.zrvSaveFiles();
  });
}

// The page fits the canvas to its window again when its size changed.
void canvas_sized() {
  EM_ASM({
    if (typeof Module.zrvCanvasSized == 'function') Module.zrvCanvasSized();
  });
}

void set_title(const char* title) {
  const std::string utf8 = cp1252_to_utf8(title);
  EM_ASM({ document.title = UTF8ToString($0); }, utf8.c_str());
}

class WebBackend final : public Backend {
 public:
  const char* name() const override { return "web"; }
  bool is_headless() const override { return false; }
  bool display_watched() const override { return true; }

  // The clock and sleep_ms are the defaults: web/clock.cpp gives the page's
  // clock and a sleep that gives the page its turn.

  bool wait_event() override {
    while (page_input().events.empty()) emscripten_sleep(10);
    return true;
  }
  bool peek_event(Event* event) override {
    auto& q = page_input().events;
    if (q.empty()) return false;
    *event = q.front();
    event->window_id = window_ != nullptr ? 1 : 0;
    return true;
  }
  bool poll_event(Event* event) override {
    if (!peek_event(event)) return false;
    page_input().events.pop_front();
    return true;
  }

  Window* window_create(const char* title, int32_t client_width, int32_t client_height,
                        const PixelFormatRequest& format) override {
    // The page has one canvas: a second window shares it.
    if (window_ == nullptr) window_ = new Window;
    format_ = format;
    window_->width = client_width > 0 ? client_width : 1;
    window_->height = client_height > 0 ? client_height : 1;
    emscripten_set_canvas_element_size(kCanvas, window_->width, window_->height);
    set_title(title);
    page_input_install();
    canvas_sized();
    return window_;
  }
  void window_destroy(Window* window) override {
    if (window == nullptr || window != window_) return;
    window_hide(window);
    delete window_;
    window_ = nullptr;
  }
  uint32_t window_id(Window* window) override { return window != nullptr ? 1 : 0; }

  bool window_client_size(Window* window, int32_t* width, int32_t* height) override {
    if (window == nullptr) return false;
    *width = window->width;
    *height = window->height;
    return true;
  }
  bool window_frame(Window* window, Rect* frame) override {
    if (window == nullptr) return false;
    frame->x = frame->y = 0;
    frame->w = window->width;
    frame->h = window->height;
    return true;
  }
  void window_set_title(Window* window, const char* title) override {
    if (window != nullptr) set_title(title);
  }
  void window_place(Window* window, int32_t, int32_t, int32_t client_width, int32_t client_height,
                    bool) override {
    if (window == nullptr) return;
    window->width = client_width;
    window->height = client_height;
    emscripten_set_canvas_element_size(kCanvas, client_width, client_height);
    canvas_sized();
  }
  void window_show(Window* window) override {
    if (window == nullptr) return;
    window->visible = true;
    EM_ASM({ Module.canvas.style.visibility = 'visible'; });
  }
  void window_hide(Window* window) override {
    if (window == nullptr) return;
    window->visible = false;
    EM_ASM({ Module.canvas.style.visibility = 'hidden'; });
  }
  bool window_visible(Window* window) override { return window != nullptr && window->visible; }
  void window_activate(Window* window) override {
    if (window != nullptr) EM_ASM({ Module.canvas.focus(); });
  }

  bool desktop_mode(DisplayMode* mode) override {
    mode->width = EM_ASM_INT({ return screen.width; });
    mode->height = EM_ASM_INT({ return screen.height; });
    mode->bits = 24;
    return true;
  }
  bool display_dpi(double* horizontal) override {
    *horizontal = 96.0 * emscripten_get_device_pixel_ratio();
    return true;
  }
  bool work_area(Window*, Rect* area) override {
    area->x = area->y = 0;
    area->w = EM_ASM_INT({ return window.innerWidth; });
    area->h = EM_ASM_INT({ return window.innerHeight; });
    return true;
  }

  GlContext* gl_context_create(Window* window) override {
    if (window == nullptr) return nullptr;
    EmscriptenWebGLContextAttributes a;
    emscripten_webgl_init_context_attributes(&a);
    // An opaque canvas (the page does not show through), without the
    // browser's smoothing of edges; what was drawn stays until drawn over,
    // as a back buffer does.
    a.alpha = EM_FALSE;
    a.depth = format_.depth_bits > 0;
    a.stencil = format_.stencil_bits > 0;
    a.antialias = format_.multisample != 0;
    a.premultipliedAlpha = EM_FALSE;
    a.preserveDrawingBuffer = EM_TRUE;
    a.majorVersion = 2;
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE h = emscripten_webgl_create_context(kCanvas, &a);
    if (h <= 0) {
      a.majorVersion = 1;
      h = emscripten_webgl_create_context(kCanvas, &a);
    }
    if (h <= 0) {
      failure_ = "the browser gives no WebGL context";
      return nullptr;
    }
    auto* c = new GlContext;
    c->handle = h;
    return c;
  }
  bool gl_make_current(Window*, GlContext* context) override {
    if (context == nullptr) return false;
    return emscripten_webgl_make_context_current(context->handle) == EMSCRIPTEN_RESULT_SUCCESS;
  }
  void gl_release_current(Window*) override { emscripten_webgl_make_context_current(0); }
  void gl_context_delete(GlContext* context) override {
    if (context == nullptr) return;
    if (emscripten_webgl_get_current_context() == context->handle) {
      emscripten_webgl_make_context_current(0);
    }
    emscripten_webgl_destroy_context(context->handle);
    delete context;
  }
  // The browser shows what was drawn once the program gives it its turn.
  void gl_swap(Window*) override {
    zrv_next_animation_frame();
    keep_user_files();
  }
  double gl_swap_wait_ms() override { return zrv_display_frame_ms(); }
  bool gl_swap_interval_available() override { return true; }
  const char* gl_swap_interval_call() override { return "requestAnimationFrame"; }
  bool gl_set_swap_interval(int32_t) override { return true; }
  void* gl_proc_address(const char* name) override {
    return emscripten_webgl_get_proc_address(name);
  }
  bool gl_context_current() override { return emscripten_webgl_get_current_context() != 0; }
  bool gl_describe_format(Window* window, PixelFormatInfo* info) override {
    if (window == nullptr) return false;
    info->red_bits = info->green_bits = info->blue_bits = 8;
    info->alpha_bits = 0;
    info->depth_bits = format_.depth_bits > 0 ? 24 : 0;
    info->stencil_bits = format_.stencil_bits > 0 ? 8 : 0;
    info->samples = 0;
    info->double_buffer = 1;
    return true;
  }
  std::string failure_reason() override { return failure_; }

  void cursor_set(CursorShape shape) override {
    EM_ASM({ Module.canvas.style.cursor = $0 ? 'default' : 'none'; },
           shape == CursorShape::Arrow ? 1 : 0);
  }
  bool cursor_position(Window* window, int32_t* x, int32_t* y) override {
    if (window == nullptr) return false;
    *x = page_input().x;
    *y = page_input().y;
    return true;
  }

  // No modal box in a page that a test drives: the message goes to the
  // console and to the status line under the canvas.
  void message_box(const char* caption, const char* text, MessageIcon) override {
    const std::string c = cp1252_to_utf8(caption), t = cp1252_to_utf8(text);
    EM_ASM(
        {
          const line = UTF8ToString($0) + ': ' + UTF8ToString($1);
          console.error(line);
          if (typeof Module.zrvStatus == 'function') Module.zrvStatus(line);
        },
        c.c_str(), t.c_str());
  }

 private:
  Window* window_ = nullptr;
  PixelFormatRequest format_;
  std::string failure_;
};

}  // namespace

std::unique_ptr<Backend> make_web_backend(std::string* failure) {
  const bool has_canvas = EM_ASM_INT({ return Module.canvas ? 1 : 0; }) != 0;
  if (!has_canvas) {
    if (failure != nullptr) *failure = "the page has no canvas";
    return nullptr;
  }
  return std::make_unique<WebBackend>();
}

}  // namespace web

}  // namespace zrv::platform
