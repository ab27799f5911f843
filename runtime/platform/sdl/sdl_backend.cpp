// The SDL2 backend: window system, message queue and OpenGL contexts
// through SDL.
#include <SDL.h>
#include <dlfcn.h>
#include <link.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <unordered_set>

#include "platform/cp1252.hpp"
#include "platform/platform.hpp"
#include "platform/sdl/keyboard_sdl.hpp"
#include "platform/sdl/sdl_devices.hpp"
#include "platform/sdl/sdl_wsi.hpp"

namespace zrv {

// The SDL backend's window.
struct NativeWindow {
  SDL_Window* sdl = nullptr;
  uint32_t id = 0;
};

}  // namespace zrv

namespace zrv::platform {

struct GlContext {
  SDL_GLContext sdl = nullptr;
};

namespace {

void set_gl_attributes(const PixelFormatRequest& f) {
  int r = 8, g = 8, b = 8;
  if (f.color_bits <= 16) {
    r = 5;
    g = 6;
    b = 5;
  }
  SDL_GL_ResetAttributes();
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, r);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, g);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, b);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, f.alpha_bits);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, f.depth_bits);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, f.stencil_bits);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  // The kind of context: compatibility (OpenGL 2.1 and up) unless
  // ZRV_GL_CONTEXT asks for a 3.2 core one or for OpenGL ES 2 (the API of
  // WebGL), so that those can be tried on the desktop.
  const char* kind = std::getenv("ZRV_GL_CONTEXT");
  if (kind != nullptr && std::strcmp(kind, "core") == 0) {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 2);
  } else if (kind != nullptr && std::strcmp(kind, "es") == 0) {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
  } else {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  }
  SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, f.multisample ? 1 : 0);
  SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, f.multisample ? f.samples : 0);
}

class SdlBackend final : public Backend {
 public:
  SdlBackend() {
    // Termination signals are the runtime's own (quit_signals_install).
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // Without a display SDL would probe every driver (and say so on
    // standard error) before it settles on one that shows nothing.
    const char* kNoDisplay =
        "no display to open a window on (DISPLAY and WAYLAND_DISPLAY are not set)";
    if (!set("DISPLAY") && !set("WAYLAND_DISPLAY") && !set("SDL_VIDEODRIVER")) {
      failure_ = kNoDisplay;
      return;
    }
    ok_ = SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_TIMER) == 0;
    if (!ok_) {
      failure_ = SDL_GetError();
    } else if (!real_window_system()) {
      ok_ = false;
      failure_ = kNoDisplay;
    }
    if (!ok_) SDL_Quit();
  }
  ~SdlBackend() override {
    // With the window system gone, SDL's teardown would wait for replies
    // that never come: what it holds goes with the process.
    if (!ok_ || sdl_x11_display_lost()) return;
    if (arrow_) SDL_FreeCursor(arrow_);
    // A program that ends without its shutdown (tests, a crash path) may
    // still hold a current context and windows: release them before SDL
    // goes, so that the driver is not torn down under a live context.
    SDL_GL_MakeCurrent(nullptr, nullptr);
    while (!contexts_.empty()) gl_context_delete(*contexts_.begin());
    while (!windows_.empty()) window_destroy(*windows_.begin());
    // SDL unloads the libraries it opened (X11 parts, GL) when it quits;
    // the process ends right after, so they stay: their last allocations
    // then still belong to a known library in leak reports.
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void*) {
          if (info->dlpi_name != nullptr && info->dlpi_name[0] != '\0') {
            dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
          }
          return 0;
        },
        nullptr);
    SDL_Quit();
  }
  bool ok() const { return ok_; }
  const std::string& failure() const { return failure_; }

  const char* name() const override { return "sdl2"; }
  std::string failure_reason() override { return SDL_GetError(); }
  bool is_headless() const override { return false; }
  bool display_watched() const override {
    // xvfb-run keeps its authority file in its own temporary folder.
    const char* xauth = std::getenv("XAUTHORITY");
    if (xauth != nullptr && std::strstr(xauth, "xvfb-run") != nullptr) return false;
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (display != nullptr && *display != '\0') || (wayland != nullptr && *wayland != '\0');
  }
  bool window_system_lost() override { return sdl_x11_display_lost(); }

  // SDL's own wait cannot watch the runtime's signal pipe, so it is taken
  // in slices: a termination request is seen within one slice.
  bool wait_event() override {
    while (pending_.empty() && quit_signal_pending() == 0 && !sdl_x11_display_lost()) {
      if (SDL_WaitEventTimeout(nullptr, kWaitSliceMs) == 1) break;
    }
    return true;
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

  Window* window_create(const char* title, int32_t client_width, int32_t client_height,
                        const PixelFormatRequest& format) override {
    // The closest format: the one asked for, then without alpha, then with
    // less depth and no stencil, then without multisampling.
    PixelFormatRequest tries[4] = {format, format, format, format};
    tries[1].alpha_bits = 0;
    tries[2].alpha_bits = 0;
    tries[2].depth_bits = 16;
    tries[2].stencil_bits = 0;
    tries[3] = tries[2];
    tries[3].multisample = 0;
    const int w = client_width > 0 ? client_width : 1;
    const int h = client_height > 0 ? client_height : 1;
    for (const PixelFormatRequest& f : tries) {
      set_gl_attributes(f);
      SDL_Window* sdl = SDL_CreateWindow(title, 0, 0, w, h, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
      if (sdl == nullptr) continue;
      auto* win = new Window;
      win->sdl = sdl;
      win->id = SDL_GetWindowID(sdl);
      windows_.insert(win);
      sdl_x11_watch_display(sdl);
      return win;
    }
    return nullptr;
  }

  void window_destroy(Window* window) override {
    if (window == nullptr) return;
    if (event_window_ == window) event_window_ = nullptr;
    windows_.erase(window);
    if (!sdl_x11_display_lost()) SDL_DestroyWindow(window->sdl);
    delete window;
  }

  uint32_t window_id(Window* window) override { return window ? window->id : 0; }
  void event_window_set(Window* window) override { event_window_ = window; }

  bool window_client_size(Window* window, int32_t* width, int32_t* height) override {
    if (window == nullptr) return false;
    int w = 0, h = 0;
    SDL_GetWindowSize(window->sdl, &w, &h);
    *width = w;
    *height = h;
    return true;
  }

  bool window_frame(Window* window, Rect* frame) override {
    if (window == nullptr) return false;
    int x = 0, y = 0, w = 0, h = 0;
    SDL_GetWindowPosition(window->sdl, &x, &y);
    SDL_GetWindowSize(window->sdl, &w, &h);
    int32_t top, left, bottom, right;
    window_borders(window, &top, &left, &bottom, &right);
    frame->x = x - left;
    frame->y = y - top;
    frame->w = w + left + right;
    frame->h = h + top + bottom;
    return true;
  }

  void window_borders(Window* window, int32_t* top, int32_t* left, int32_t* bottom,
                      int32_t* right) override {
    int t = 0, l = 0, b = 0, r = 0;
    // Without a window manager there are no decorations (and SDL says so).
    if (window == nullptr || SDL_GetWindowBordersSize(window->sdl, &t, &l, &b, &r) != 0) {
      t = l = b = r = 0;
    }
    *top = t;
    *left = l;
    *bottom = b;
    *right = r;
  }

  void window_set_title(Window* window, const char* title) override {
    if (window) SDL_SetWindowTitle(window->sdl, cp1252_to_utf8(title).c_str());
  }

  void window_place(Window* window, int32_t x, int32_t y, int32_t client_width,
                    int32_t client_height, bool topmost) override {
    if (window == nullptr) return;
    int32_t top, left, bottom, right;
    window_borders(window, &top, &left, &bottom, &right);
    SDL_SetWindowSize(window->sdl, client_width, client_height);
    // SDL positions the drawing area; the frame lies around it.
    SDL_SetWindowPosition(window->sdl, x + left, y + top);
    SDL_SetWindowAlwaysOnTop(window->sdl, topmost ? SDL_TRUE : SDL_FALSE);
  }

  void window_show(Window* window) override {
    if (window) SDL_ShowWindow(window->sdl);
  }
  void window_hide(Window* window) override {
    if (window) SDL_HideWindow(window->sdl);
  }
  bool window_visible(Window* window) override {
    return window != nullptr && (SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_SHOWN) != 0;
  }
  void window_activate(Window* window) override {
    if (window) SDL_RaiseWindow(window->sdl);
  }

  bool window_full_screen(Window* window, const DisplayMode& mode) override {
    if (window == nullptr) return false;
    int display = SDL_GetWindowDisplayIndex(window->sdl);
    if (display < 0) display = 0;
    const int count = SDL_GetNumDisplayModes(display);
    for (int i = 0; i < count; ++i) {
      SDL_DisplayMode m;
      if (SDL_GetDisplayMode(display, i, &m) != 0) continue;
      if (m.w != mode.width || m.h != mode.height) continue;
      if (mode.bits != 0 && static_cast<int32_t>(SDL_BITSPERPIXEL(m.format)) != mode.bits) continue;
      if (SDL_SetWindowDisplayMode(window->sdl, &m) != 0) continue;
      if (SDL_SetWindowFullscreen(window->sdl, SDL_WINDOW_FULLSCREEN) == 0) return true;
    }
    return false;
  }

  void window_leave_full_screen(Window* window) override {
    if (window && !sdl_x11_display_lost()) SDL_SetWindowFullscreen(window->sdl, 0);
  }

  bool desktop_mode(DisplayMode* mode) override {
    SDL_DisplayMode m;
    if (SDL_GetDesktopDisplayMode(0, &m) != 0) return false;
    mode->width = m.w;
    mode->height = m.h;
    mode->bits = static_cast<int32_t>(SDL_BITSPERPIXEL(m.format));
    return true;
  }

  bool display_dpi(double* horizontal) override {
    float h = 0;
    double dpi = SDL_GetDisplayDPI(0, nullptr, &h, nullptr) == 0 ? h : 0.0;
    if (!(dpi > 0)) dpi = sdl_x11_screen_dpi();
    if (!(dpi > 0)) return false;
    *horizontal = dpi;
    return true;
  }

  bool work_area(Window* window, Rect* area) override {
    int display = window ? SDL_GetWindowDisplayIndex(window->sdl) : 0;
    if (display < 0) display = 0;
    SDL_Rect r;
    if (SDL_GetDisplayUsableBounds(display, &r) != 0 && SDL_GetDisplayBounds(display, &r) != 0) {
      return false;
    }
    area->x = r.x;
    area->y = r.y;
    area->w = r.w;
    area->h = r.h;
    return true;
  }

  GlContext* gl_context_create(Window* window) override {
    if (window == nullptr) return nullptr;
    SDL_GLContext c = SDL_GL_CreateContext(window->sdl);
    if (c == nullptr) return nullptr;
    heap_keep_freed_memory();
    auto* context = new GlContext;
    context->sdl = c;
    contexts_.insert(context);
    return context;
  }

  bool gl_make_current(Window* window, GlContext* context) override {
    if (window == nullptr || context == nullptr || sdl_x11_display_lost()) return false;
    return SDL_GL_MakeCurrent(window->sdl, context->sdl) == 0;
  }

  void gl_release_current(Window* window) override {
    if (window && !sdl_x11_display_lost()) SDL_GL_MakeCurrent(window->sdl, nullptr);
  }

  void gl_context_delete(GlContext* context) override {
    if (context == nullptr) return;
    contexts_.erase(context);
    if (!sdl_x11_display_lost()) SDL_GL_DeleteContext(context->sdl);
    delete context;
  }

  void gl_swap(Window* window) override {
    if (window && !sdl_x11_display_lost()) SDL_GL_SwapWindow(window->sdl);
  }

  bool gl_swap_interval_available() override {
    for (const char* name :
         {"glXSwapIntervalEXT", "glXSwapIntervalMESA", "glXSwapIntervalSGI", "eglSwapInterval"}) {
      if (SDL_GL_GetProcAddress(name) != nullptr) return true;
    }
    return false;
  }

  const char* gl_swap_interval_call() override {
    SDL_Window* current = SDL_GL_GetCurrentWindow();
    if (current != nullptr && !sdl_window_is_x11(current)) return "eglSwapInterval";
    return "glXSwapIntervalEXT";
  }

  bool gl_set_swap_interval(int32_t interval) override {
    return SDL_GL_SetSwapInterval(interval) == 0;
  }

  void* gl_proc_address(const char* name) override { return SDL_GL_GetProcAddress(name); }
  bool gl_context_current() override { return SDL_GL_GetCurrentContext() != nullptr; }

  const char* gl_window_system_extensions() override {
    return sdl_window_system_extensions(SDL_GL_GetCurrentWindow());
  }

  const char* gl_window_system_extensions_call() override {
    SDL_Window* current = SDL_GL_GetCurrentWindow();
    if (current != nullptr && !sdl_window_is_x11(current)) return "eglQueryString";
    return "glXQueryExtensionsString";
  }

  const char* gl_multisample_extension() override {
    SDL_Window* current = SDL_GL_GetCurrentWindow();
    if (current != nullptr && !sdl_window_is_x11(current)) return "EGL_KHR_config_attribs";
    return "GLX_ARB_multisample";
  }
  const char* gl_multisample_chooser() override {
    SDL_Window* current = SDL_GL_GetCurrentWindow();
    if (current != nullptr && !sdl_window_is_x11(current)) return "eglChooseConfig";
    return "glXChooseFBConfig";
  }
  int32_t gl_multisample_probe(int32_t samples) override {
    // The window system picks the visual when a window is made: a window of
    // such a format exists exactly when the format does.
    PixelFormatRequest f;
    f.multisample = 1;
    f.samples = samples;
    set_gl_attributes(f);
    SDL_Window* probe =
        SDL_CreateWindow("probe", 0, 0, 16, 16, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (probe == nullptr) return 0;
    SDL_DestroyWindow(probe);
    return samples > 0 ? samples : 1;
  }

  bool gl_describe_format(Window* window, PixelFormatInfo* info) override {
    if (window == nullptr || SDL_GL_GetCurrentWindow() != window->sdl) return false;
    struct Item {
      SDL_GLattr attr;
      int32_t* out;
    } items[] = {
        {SDL_GL_RED_SIZE, &info->red_bits},          {SDL_GL_GREEN_SIZE, &info->green_bits},
        {SDL_GL_BLUE_SIZE, &info->blue_bits},        {SDL_GL_ALPHA_SIZE, &info->alpha_bits},
        {SDL_GL_DEPTH_SIZE, &info->depth_bits},      {SDL_GL_STENCIL_SIZE, &info->stencil_bits},
        {SDL_GL_MULTISAMPLESAMPLES, &info->samples}, {SDL_GL_DOUBLEBUFFER, &info->double_buffer}};
    for (const Item& item : items) {
      int v = 0;
      if (SDL_GL_GetAttribute(item.attr, &v) != 0) return false;
      *item.out = v;
    }
    return true;
  }

  void cursor_set(CursorShape shape) override {
    if (shape == CursorShape::None) {
      SDL_ShowCursor(SDL_DISABLE);
      return;
    }
    if (arrow_ == nullptr) arrow_ = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
    if (arrow_) SDL_SetCursor(arrow_);
    SDL_ShowCursor(SDL_ENABLE);
  }

  bool cursor_position(Window* window, int32_t* x, int32_t* y) override {
    if (window == nullptr) return false;
    if (sdl_x11_pointer(window->sdl, x, y, nullptr)) return true;
    int gx = 0, gy = 0, wx = 0, wy = 0;
    SDL_GetGlobalMouseState(&gx, &gy);
    SDL_GetWindowPosition(window->sdl, &wx, &wy);
    *x = gx - wx;
    *y = gy - wy;
    return true;
  }

  void cursor_move(Window* window, int32_t x, int32_t y) override {
    if (window) SDL_WarpMouseInWindow(window->sdl, x, y);
  }

  void message_box(const char* caption, const char* text, MessageIcon icon) override {
    Uint32 flags = icon == MessageIcon::Error         ? SDL_MESSAGEBOX_ERROR
                   : icon == MessageIcon::Exclamation ? SDL_MESSAGEBOX_WARNING
                                                      : SDL_MESSAGEBOX_INFORMATION;
    // SDL shows the box from a forked helper and waits for it.
    forked_helpers_arm(true);
    SDL_ShowSimpleMessageBox(flags, cp1252_to_utf8(caption).c_str(), cp1252_to_utf8(text).c_str(),
                             nullptr);
    forked_helpers_arm(false);
  }

 private:
  // SDL falls back to drivers that show nothing when it finds no display;
  // a program would then run unseen for ever. They count only when the
  // user asks for one by name.
  static bool set(const char* name) {
    const char* value = SDL_getenv(name);
    return value != nullptr && *value != '\0';
  }

  static bool real_window_system() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr) return false;
    if (SDL_strcmp(driver, "offscreen") != 0 && SDL_strcmp(driver, "dummy") != 0) return true;
    const char* wanted = SDL_getenv("SDL_VIDEODRIVER");
    return wanted != nullptr && SDL_strcasecmp(wanted, driver) == 0;
  }

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
        if (!addressed_to_us(sdl.window.windowID)) return;
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
      case SDL_KEYDOWN:
      case SDL_KEYUP:
        if (!addressed_to_us(sdl.key.windowID)) return;
        e.type = sdl.type == SDL_KEYDOWN ? EventType::KeyDown : EventType::KeyUp;
        e.code = keyboard_scan_from_sdl(sdl.key.keysym.scancode);
        e.state = sdl.key.repeat;
        e.window_id = sdl.key.windowID;
        break;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
        // Buttons as the runtime numbers them: 0 left, 1 right, 2 middle.
        if (!addressed_to_us(sdl.button.windowID)) return;
        e.type = EventType::MouseButton;
        e.code = sdl.button.button == SDL_BUTTON_LEFT     ? 0
                 : sdl.button.button == SDL_BUTTON_RIGHT  ? 1
                 : sdl.button.button == SDL_BUTTON_MIDDLE ? 2
                                                          : 3 + sdl.button.button - SDL_BUTTON_X1;
        e.state = sdl.type == SDL_MOUSEBUTTONDOWN ? 1 : 0;
        e.x = sdl.button.x;
        e.y = sdl.button.y;
        e.window_id = sdl.button.windowID;
        break;
      case SDL_TEXTINPUT:
        if (!addressed_to_us(sdl.text.windowID)) return;
        for (const char c : cp1252_from_utf8(sdl.text.text)) {
          Event ch;
          ch.type = EventType::Char;
          ch.code = static_cast<uint8_t>(c);
          pending_.push_back(ch);
        }
        return;
      default:
        e.type = EventType::Other;
        break;
    }
    pending_.push_back(e);
  }

  // Only the program's window is listened to; events of other windows (a
  // probe window, say) are dropped. Events for no window always count.
  bool addressed_to_us(uint32_t id) const {
    return id == 0 || event_window_ == nullptr || id == event_window_->id;
  }

  static constexpr int kWaitSliceMs = 50;

  bool ok_ = false;
  std::string failure_;  // why SDL could not start
  std::deque<Event> pending_;
  std::unordered_set<Window*> windows_;      // created and not yet destroyed
  std::unordered_set<GlContext*> contexts_;  // likewise
  Window* event_window_ = nullptr;
  SDL_Cursor* arrow_ = nullptr;
};

}  // namespace

std::unique_ptr<Backend> make_sdl_backend(std::string* failure) {
  auto b = std::make_unique<SdlBackend>();
  if (!b->ok()) {
    if (failure != nullptr) *failure = b->failure();
    return nullptr;
  }
  return b;
}

}  // namespace zrv::platform
