// The Win32 backend: the window class and windows, their placement and the
// display modes, the message queue, OpenGL through WGL, the cursor, the
// message box and the clock.
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_set>

#include "platform/cp1252.hpp"
#include "platform/win32/events.hpp"
#include "platform/win32/wgl.hpp"
#include "platform/win32/window_system.hpp"

namespace zrv::platform {

struct GlContext {
  HGLRC rc = nullptr;
};

namespace win32 {

namespace {

constexpr wchar_t kWindowClass[] = L"Zorvane";
// A caption with the close box; no sizing border and no maximise box.
constexpr DWORD kWindowedStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr DWORD kFullScreenStyle = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

// The runtime's 8-bit text (Windows-1252) as UTF-16.
std::wstring wide_from_cp1252(const char* text) {
  std::wstring out;
  for (const auto* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    out += static_cast<wchar_t>(cp1252_to_code_point(*p));
  }
  return out;
}

std::string error_text(const char* call) {
  return std::string(call) + " failed (error " + std::to_string(::GetLastError()) + ")";
}

// The outer size of a window whose drawing area is width x height.
SIZE outer_size(DWORD style, int32_t width, int32_t height) {
  RECT r = {0, 0, width, height};
  ::AdjustWindowRectEx(&r, style, FALSE, 0);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

// Whether the program runs under Wine (ntdll says its version).
bool under_wine() {
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

class Win32Backend final : public Backend {
 public:
  Win32Backend() {
    // Drawing areas in real pixels: a program that does not say so is
    // scaled up as a picture on a display of more than 96 dots per inch.
    ::SetProcessDPIAware();
    instance_ = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_OWNDC | CS_BYTEALIGNCLIENT | CS_BYTEALIGNWINDOW;
    wc.lpfnWndProc = window_procedure;
    wc.hInstance = instance_;
    wc.hIcon = ::LoadIconW(instance_, MAKEINTRESOURCEW(101));
    wc.lpszClassName = kWindowClass;
    if (::RegisterClassExW(&wc) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
      failure_ = error_text("RegisterClassExW");
      return;
    }
    // IDC_ARROW, as the W call takes it (the header's is the narrow one).
    arrow_ = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    cursor_shape_set(arrow_);
    ok_ = true;
  }

  ~Win32Backend() override {
    if (::wglGetCurrentContext() != nullptr) ::wglMakeCurrent(nullptr, nullptr);
    while (!contexts_.empty()) gl_context_delete(*contexts_.begin());
    while (!windows_.empty()) window_destroy(*windows_.begin());
    if (full_screen_) ::ChangeDisplaySettingsW(nullptr, 0);
  }

  bool ok() const { return ok_; }
  const std::string& failure() const { return failure_; }

  const char* name() const override { return "win32"; }
  bool is_headless() const override { return false; }
  std::string failure_reason() override { return failure_; }

  bool display_watched() const override {
    // A service's window station has no screen.
    USEROBJECTFLAGS flags = {};
    HWINSTA station = ::GetProcessWindowStation();
    if (station != nullptr &&
        ::GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, nullptr) &&
        (flags.dwFlags & WSF_VISIBLE) == 0) {
      return false;
    }
    // Wine on the virtual display of xvfb-run (whose authority file lies in
    // its own temporary folder): nobody looks.
    if (under_wine()) {
      const char* xauth = std::getenv("XAUTHORITY");
      if (xauth != nullptr && std::strstr(xauth, "xvfb-run") != nullptr) return false;
    }
    return true;
  }

  // Clock: the performance counter, the tick count, sleeps that end on a
  // termination request.
  bool counter_frequency(int64_t* frequency) override {
    LARGE_INTEGER f;
    if (!::QueryPerformanceFrequency(&f) || f.QuadPart <= 0) return false;
    *frequency = f.QuadPart;
    return true;
  }
  int64_t counter_value() override {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now.QuadPart;
  }
  uint32_t tick_count_ms() override { return ::GetTickCount(); }
  void sleep_ms(uint32_t ms) override { sleep_interruptible(ms); }

  bool wait_event() override {
    events_wait();
    return true;
  }
  bool peek_event(Event* event) override { return events_peek(event); }
  bool poll_event(Event* event) override { return events_poll(event); }

  Window* window_create(const char* title, int32_t client_width, int32_t client_height,
                        const PixelFormatRequest& format) override {
    const int32_t w = client_width > 0 ? client_width : 1;
    const int32_t h = client_height > 0 ? client_height : 1;
    const SIZE outer = outer_size(kWindowedStyle, w, h);
    HWND hwnd = ::CreateWindowExW(0, kWindowClass, wide_from_cp1252(title).c_str(), kWindowedStyle,
                                  0, 0, outer.cx, outer.cy, nullptr, nullptr, instance_, nullptr);
    if (hwnd == nullptr) {
      failure_ = error_text("CreateWindowExW");
      return nullptr;
    }
    auto* win = new Window;
    win->hwnd = hwnd;
    win->dc = ::GetDC(hwnd);
    win->id = ++last_id_;
    windows_.insert(win);
    if (win->dc == nullptr || !wgl_format_set(win, format, &failure_)) {
      if (win->dc == nullptr) failure_ = error_text("GetDC");
      window_destroy(win);
      return nullptr;
    }
    return win;
  }

  void window_destroy(Window* window) override {
    if (window == nullptr) return;
    events_window_gone(window);
    if (::wglGetCurrentDC() == window->dc) ::wglMakeCurrent(nullptr, nullptr);
    windows_.erase(window);
    if (window->dc != nullptr) ::ReleaseDC(window->hwnd, window->dc);
    ::DestroyWindow(window->hwnd);
    // What the window covered is drawn again.
    ::InvalidateRect(nullptr, nullptr, TRUE);
    delete window;
  }

  uint32_t window_id(Window* window) override { return window ? window->id : 0; }
  void event_window_set(Window* window) override { events_window_set(window); }

  bool window_client_size(Window* window, int32_t* width, int32_t* height) override {
    RECT r;
    if (window == nullptr || !::GetClientRect(window->hwnd, &r)) return false;
    *width = r.right - r.left;
    *height = r.bottom - r.top;
    return true;
  }

  bool window_frame(Window* window, Rect* frame) override {
    RECT r;
    if (window == nullptr || !::GetWindowRect(window->hwnd, &r)) return false;
    frame->x = r.left;
    frame->y = r.top;
    frame->w = r.right - r.left;
    frame->h = r.bottom - r.top;
    return true;
  }

  void window_borders(Window* window, int32_t* top, int32_t* left, int32_t* bottom,
                      int32_t* right) override {
    *top = *left = *bottom = *right = 0;
    RECT outer, client;
    if (window == nullptr || !::GetWindowRect(window->hwnd, &outer) ||
        !::GetClientRect(window->hwnd, &client)) {
      return;
    }
    POINT origin = {0, 0};
    ::ClientToScreen(window->hwnd, &origin);
    *left = origin.x - outer.left;
    *top = origin.y - outer.top;
    *right = outer.right - (origin.x + client.right);
    *bottom = outer.bottom - (origin.y + client.bottom);
  }

  void window_set_title(Window* window, const char* title) override {
    if (window) ::SetWindowTextW(window->hwnd, wide_from_cp1252(title).c_str());
  }

  void window_place(Window* window, int32_t x, int32_t y, int32_t client_width,
                    int32_t client_height, bool topmost) override {
    if (window == nullptr) return;
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(window->hwnd, GWL_STYLE));
    const SIZE outer = outer_size(style, client_width, client_height);
    ::SetWindowPos(window->hwnd, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, x, y, outer.cx, outer.cy,
                   SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }

  void window_show(Window* window) override {
    if (window == nullptr) return;
    ::ShowWindow(window->hwnd, SW_SHOW);
    ::UpdateWindow(window->hwnd);
  }

  void window_hide(Window* window) override {
    if (window) ::ShowWindow(window->hwnd, SW_HIDE);
  }

  bool window_visible(Window* window) override {
    return window != nullptr && ::IsWindowVisible(window->hwnd);
  }

  void window_activate(Window* window) override {
    if (window == nullptr) return;
    // The system lets only the foreground thread choose the foreground
    // window: this thread borrows its input state for the moment.
    HWND foreground = ::GetForegroundWindow();
    const DWORD other = foreground ? ::GetWindowThreadProcessId(foreground, nullptr) : 0;
    const DWORD self = ::GetCurrentThreadId();
    const bool attach = other != 0 && other != self && ::AttachThreadInput(other, self, TRUE);
    ::ShowWindow(window->hwnd, SW_SHOW);
    ::BringWindowToTop(window->hwnd);
    ::SetForegroundWindow(window->hwnd);
    ::SetActiveWindow(window->hwnd);
    ::SetFocus(window->hwnd);
    if (attach) ::AttachThreadInput(other, self, FALSE);
  }

  bool window_full_screen(Window* window, const DisplayMode& mode) override {
    if (window == nullptr) return false;
    DEVMODEW dm = {};
    dm.dmSize = sizeof dm;
    dm.dmPelsWidth = static_cast<DWORD>(mode.width);
    dm.dmPelsHeight = static_cast<DWORD>(mode.height);
    dm.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    if (mode.bits != 0) {
      dm.dmBitsPerPel = static_cast<DWORD>(mode.bits);
      dm.dmFields |= DM_BITSPERPEL;
    }
    if (::ChangeDisplaySettingsW(&dm, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) return false;
    full_screen_ = true;
    ::SetWindowLongPtrW(window->hwnd, GWL_STYLE,
                        kFullScreenStyle | (::IsWindowVisible(window->hwnd) ? WS_VISIBLE : 0));
    ::SetWindowPos(window->hwnd, HWND_TOPMOST, 0, 0, mode.width, mode.height, SWP_FRAMECHANGED);
    return true;
  }

  void window_leave_full_screen(Window* window) override {
    if (full_screen_) ::ChangeDisplaySettingsW(nullptr, 0);
    full_screen_ = false;
    if (window == nullptr) return;
    const bool visible = ::IsWindowVisible(window->hwnd);
    ::SetWindowLongPtrW(window->hwnd, GWL_STYLE, kWindowedStyle | (visible ? WS_VISIBLE : 0));
    ::SetWindowPos(window->hwnd, HWND_NOTOPMOST, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }

  bool desktop_mode(DisplayMode* mode) override {
    DEVMODEW dm = {};
    dm.dmSize = sizeof dm;
    if (!::EnumDisplaySettingsW(nullptr, ENUM_REGISTRY_SETTINGS, &dm) &&
        !::EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &dm)) {
      return false;
    }
    mode->width = static_cast<int32_t>(dm.dmPelsWidth);
    mode->height = static_cast<int32_t>(dm.dmPelsHeight);
    mode->bits = static_cast<int32_t>(dm.dmBitsPerPel);
    return true;
  }

  bool display_dpi(double* horizontal) override {
    HDC screen = ::GetDC(nullptr);
    if (screen == nullptr) return false;
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
    ::ReleaseDC(nullptr, screen);
    if (dpi <= 0) return false;
    *horizontal = dpi;
    return true;
  }

  bool work_area(Window* window, Rect* area) override {
    HMONITOR monitor = window ? ::MonitorFromWindow(window->hwnd, MONITOR_DEFAULTTOPRIMARY)
                              : ::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (monitor == nullptr || !::GetMonitorInfoW(monitor, &info)) return false;
    area->x = info.rcWork.left;
    area->y = info.rcWork.top;
    area->w = info.rcWork.right - info.rcWork.left;
    area->h = info.rcWork.bottom - info.rcWork.top;
    return true;
  }

  void beep() override { ::MessageBeep(MB_OK); }

  GlContext* gl_context_create(Window* window) override {
    if (window == nullptr) return nullptr;
    HGLRC rc = wgl_context_create(window->dc, &failure_);
    if (rc == nullptr) return nullptr;
    heap_keep_freed_memory();
    auto* context = new GlContext;
    context->rc = rc;
    contexts_.insert(context);
    return context;
  }

  bool gl_make_current(Window* window, GlContext* context) override {
    if (window == nullptr || context == nullptr) return false;
    if (!::wglMakeCurrent(window->dc, context->rc)) {
      failure_ = error_text("wglMakeCurrent");
      return false;
    }
    return true;
  }

  void gl_release_current(Window* window) override {
    if (window && ::wglGetCurrentDC() == window->dc) ::wglMakeCurrent(nullptr, nullptr);
  }

  void gl_context_delete(GlContext* context) override {
    if (context == nullptr) return;
    contexts_.erase(context);
    if (::wglGetCurrentContext() == context->rc) ::wglMakeCurrent(nullptr, nullptr);
    ::wglDeleteContext(context->rc);
    delete context;
  }

  void gl_swap(Window* window) override {
    if (window) ::SwapBuffers(window->dc);
  }

  bool gl_swap_interval_available() override { return swap_interval() != nullptr; }
  const char* gl_swap_interval_call() override { return "wglSwapIntervalEXT"; }
  bool gl_set_swap_interval(int32_t interval) override {
    auto set = swap_interval();
    return set != nullptr && set(interval);
  }

  void* gl_proc_address(const char* name) override { return wgl_proc_address(name); }
  bool gl_context_current() override { return ::wglGetCurrentContext() != nullptr; }

  const char* gl_window_system_extensions() override { return wgl_extensions(); }
  const char* gl_window_system_extensions_call() override { return "wglGetExtensionsStringARB"; }
  const char* gl_multisample_extension() override { return "WGL_ARB_multisample"; }
  const char* gl_multisample_chooser() override { return "wglChoosePixelFormatARB"; }
  int32_t gl_multisample_probe(int32_t samples) override { return wgl_multisample_probe(samples); }

  bool gl_describe_format(Window* window, PixelFormatInfo* info) override {
    return window != nullptr && wgl_describe(window->dc, info);
  }

  void cursor_set(CursorShape shape) override {
    cursor_shape_set(shape == CursorShape::Arrow ? arrow_ : nullptr);
  }

  bool cursor_position(Window* window, int32_t* x, int32_t* y) override {
    POINT p;
    if (window == nullptr || !::GetCursorPos(&p) || !::ScreenToClient(window->hwnd, &p)) {
      return false;
    }
    *x = p.x;
    *y = p.y;
    return true;
  }

  void cursor_move(Window* window, int32_t x, int32_t y) override {
    if (window == nullptr) return;
    POINT p = {x, y};
    if (::ClientToScreen(window->hwnd, &p)) ::SetCursorPos(p.x, p.y);
  }

  void message_box(const char* caption, const char* text, MessageIcon icon) override {
    const UINT kind = icon == MessageIcon::Error         ? MB_ICONERROR
                      : icon == MessageIcon::Exclamation ? MB_ICONEXCLAMATION
                                                         : MB_ICONINFORMATION;
    ::MessageBoxW(nullptr, wide_from_cp1252(text).c_str(), wide_from_cp1252(caption).c_str(),
                  MB_OK | kind | MB_TASKMODAL | MB_SETFOREGROUND);
  }

 private:
  using SwapIntervalCall = BOOL(WINAPI*)(int);

  // Looked up by name for the current context (the extension's calls
  // belong to the driver of the context's format).
  static SwapIntervalCall swap_interval() {
    if (::wglGetCurrentContext() == nullptr) return nullptr;
    return reinterpret_cast<SwapIntervalCall>(wgl_proc_address("wglSwapIntervalEXT"));
  }

  bool ok_ = false;
  std::string failure_;
  HINSTANCE instance_ = nullptr;
  HCURSOR arrow_ = nullptr;
  bool full_screen_ = false;
  uint32_t last_id_ = 0;
  std::unordered_set<Window*> windows_;
  std::unordered_set<GlContext*> contexts_;
};

}  // namespace

std::unique_ptr<Backend> make_backend(std::string* failure) {
  auto b = std::make_unique<Win32Backend>();
  if (!b->ok()) {
    if (failure != nullptr) *failure = b->failure();
    return nullptr;
  }
  return b;
}

}  // namespace win32

}  // namespace zrv::platform
