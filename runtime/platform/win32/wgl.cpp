// WGL: pixel formats, contexts, entry points and extension strings.
#include "platform/win32/wgl.hpp"

#include <GL/gl.h>
#include <GL/wglext.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace zrv::platform::win32 {

namespace {

// The WGL extension calls that are needed before the context they would
// come from exists (a format is chosen before its context is made): they
// are fetched once through a throw-away window and context, and belong to
// the driver, not to that context.
struct WglCalls {
  bool fetched = false;
  PFNWGLGETEXTENSIONSSTRINGARBPROC extensions_string = nullptr;
  PFNWGLCHOOSEPIXELFORMATARBPROC choose_format = nullptr;
  PFNWGLGETPIXELFORMATATTRIBIVARBPROC format_attributes = nullptr;
  PFNWGLCREATECONTEXTATTRIBSARBPROC create_context = nullptr;
  std::string extensions;  // WGL's extension string, as the driver gave it
};

WglCalls g_wgl;

// wglGetProcAddress answers 1, 2, 3 or -1 for a missing entry on some
// drivers.
void* proc_from_wgl(const char* name) {
  PROC p = ::wglGetProcAddress(name);
  const auto v = reinterpret_cast<intptr_t>(p);
  if (v == 0 || v == 1 || v == 2 || v == 3 || v == -1) return nullptr;
  return reinterpret_cast<void*>(p);
}

template <class Fn>
Fn proc(const char* name) {
  return reinterpret_cast<Fn>(proc_from_wgl(name));
}

void fetch_from_current(HDC dc) {
  g_wgl.extensions_string = proc<PFNWGLGETEXTENSIONSSTRINGARBPROC>("wglGetExtensionsStringARB");
  g_wgl.choose_format = proc<PFNWGLCHOOSEPIXELFORMATARBPROC>("wglChoosePixelFormatARB");
  g_wgl.format_attributes =
      proc<PFNWGLGETPIXELFORMATATTRIBIVARBPROC>("wglGetPixelFormatAttribivARB");
  g_wgl.create_context = proc<PFNWGLCREATECONTEXTATTRIBSARBPROC>("wglCreateContextAttribsARB");
  if (g_wgl.extensions_string != nullptr) {
    const char* ext = g_wgl.extensions_string(dc);
    if (ext != nullptr) g_wgl.extensions = ext;
  }
  g_wgl.fetched = true;
}

PIXELFORMATDESCRIPTOR descriptor_for(const PixelFormatRequest& r) {
  PIXELFORMATDESCRIPTOR pfd = {};
  pfd.nSize = sizeof pfd;
  pfd.nVersion = 1;
  pfd.dwFlags =
      PFD_DOUBLEBUFFER | PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_SUPPORT_COMPOSITION;
  pfd.iPixelType = PFD_TYPE_RGBA;
  pfd.cColorBits = static_cast<BYTE>(r.color_bits < 24 ? r.color_bits : 24);
  pfd.cAlphaBits = static_cast<BYTE>(r.alpha_bits);
  pfd.cDepthBits = static_cast<BYTE>(r.depth_bits);
  pfd.cStencilBits = static_cast<BYTE>(r.stencil_bits);
  return pfd;
}

// Fetches the extension calls through a hidden window of the plain class
// and a legacy context on it; the caller's current context is put back.
void fetch_through_probe() {
  if (g_wgl.fetched) return;
  if (HDC dc = ::wglGetCurrentDC(); dc != nullptr && ::wglGetCurrentContext() != nullptr) {
    fetch_from_current(dc);
    return;
  }
  g_wgl.fetched = true;  // one try per process
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  static const wchar_t kProbeClass[] = L"ZorvaneGlProbe";
  WNDCLASSW wc = {};
  wc.style = CS_OWNDC;
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = instance;
  wc.lpszClassName = kProbeClass;
  ::RegisterClassW(&wc);  // fails harmlessly when already registered
  HWND hwnd = ::CreateWindowExW(0, kProbeClass, L"", WS_POPUP, 0, 0, 16, 16, nullptr, nullptr,
                                instance, nullptr);
  if (hwnd == nullptr) return;
  HDC dc = ::GetDC(hwnd);
  PixelFormatRequest plain;
  PIXELFORMATDESCRIPTOR pfd = descriptor_for(plain);
  const int format = ::ChoosePixelFormat(dc, &pfd);
  if (format > 0 && ::SetPixelFormat(dc, format, &pfd)) {
    if (HGLRC rc = ::wglCreateContext(dc)) {
      if (::wglMakeCurrent(dc, rc)) {
        fetch_from_current(dc);
        ::wglMakeCurrent(nullptr, nullptr);
      }
      ::wglDeleteContext(rc);
    }
  }
  ::ReleaseDC(hwnd, dc);
  ::DestroyWindow(hwnd);
}

bool listed(const std::string& list, const char* name) {
  const size_t n = std::strlen(name);
  for (size_t at = list.find(name); at != std::string::npos; at = list.find(name, at + 1)) {
    const bool starts = at == 0 || list[at - 1] == ' ';
    const bool ends = at + n == list.size() || list[at + n] == ' ';
    if (starts && ends) return true;
  }
  return false;
}

// A multisample format by the chooser: the format number, 0 when none.
int multisample_format(HDC dc, const PixelFormatRequest& r, int32_t samples) {
  if (!g_wgl.choose_format || !listed(g_wgl.extensions, "WGL_ARB_multisample")) return 0;
  const int attributes[] = {WGL_DRAW_TO_WINDOW_ARB,
                            1,
                            WGL_SUPPORT_OPENGL_ARB,
                            1,
                            WGL_ACCELERATION_ARB,
                            WGL_FULL_ACCELERATION_ARB,
                            WGL_COLOR_BITS_ARB,
                            r.color_bits < 24 ? r.color_bits : 24,
                            WGL_ALPHA_BITS_ARB,
                            r.alpha_bits,
                            WGL_DEPTH_BITS_ARB,
                            r.depth_bits,
                            WGL_STENCIL_BITS_ARB,
                            r.stencil_bits,
                            WGL_DOUBLE_BUFFER_ARB,
                            1,
                            WGL_SAMPLE_BUFFERS_ARB,
                            1,
                            WGL_SAMPLES_ARB,
                            samples,
                            0};
  const float no_float_attributes[] = {0, 0};
  int format = 0;
  UINT count = 0;
  if (!g_wgl.choose_format(dc, attributes, no_float_attributes, 1, &format, &count) || count == 0) {
    return 0;
  }
  return format;
}

int32_t format_samples(HDC dc, int format) {
  if (!g_wgl.format_attributes || format <= 0) return 0;
  const int names[] = {WGL_SAMPLE_BUFFERS_ARB, WGL_SAMPLES_ARB};
  int values[2] = {0, 0};
  if (!g_wgl.format_attributes(dc, format, 0, 2, names, values)) return 0;
  return values[0] != 0 ? values[1] : 0;
}

bool meets(const PIXELFORMATDESCRIPTOR& f, const PixelFormatRequest& r) {
  const DWORD needed = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  return (f.dwFlags & needed) == needed && f.iPixelType == PFD_TYPE_RGBA &&
         f.cRedBits + f.cGreenBits + f.cBlueBits >= (r.color_bits < 24 ? r.color_bits : 24) &&
         f.cAlphaBits >= r.alpha_bits && f.cDepthBits >= r.depth_bits &&
         f.cStencilBits >= r.stencil_bits;
}

// The system's choice when it has every plane asked for. Otherwise (Wine's
// chooser takes a 24-bit format without alpha over a 32-bit one with it)
// the format that has them all with the fewest bits to spare, from the same
// kind of driver as the system's choice; the system's choice when none has.
int closest_format(HDC dc, const PixelFormatRequest& r, int chosen) {
  PIXELFORMATDESCRIPTOR f = {};
  if (::DescribePixelFormat(dc, chosen, sizeof f, &f) == 0 || meets(f, r)) return chosen;
  const DWORD kind = f.dwFlags & (PFD_GENERIC_FORMAT | PFD_GENERIC_ACCELERATED);
  const int count = ::DescribePixelFormat(dc, 1, sizeof f, &f);
  int best = chosen, best_spare = 0;
  for (int i = 1; i <= count; ++i) {
    if (::DescribePixelFormat(dc, i, sizeof f, &f) == 0 || !meets(f, r)) continue;
    if ((f.dwFlags & (PFD_GENERIC_FORMAT | PFD_GENERIC_ACCELERATED)) != kind) continue;
    const int spare = f.cRedBits + f.cGreenBits + f.cBlueBits + f.cAlphaBits + f.cDepthBits +
                      f.cStencilBits + f.cAccumBits + f.cAuxBuffers;
    if (best == chosen || spare < best_spare) {
      best = i;
      best_spare = spare;
    }
  }
  return best;
}

std::string error_text(const char* call) {
  return std::string(call) + " failed (error " + std::to_string(::GetLastError()) + ")";
}

}  // namespace

bool wgl_format_set(NativeWindow* window, const PixelFormatRequest& request, std::string* failure) {
  PIXELFORMATDESCRIPTOR pfd = descriptor_for(request);
  int format = 0;
  if (request.multisample) {
    fetch_through_probe();
    format = multisample_format(window->dc, request, request.samples);
  }
  if (format == 0) {
    format = ::ChoosePixelFormat(window->dc, &pfd);
    if (format == 0) {
      *failure = error_text("ChoosePixelFormat");
      return false;
    }
    format = closest_format(window->dc, request, format);
  }
  ::DescribePixelFormat(window->dc, format, sizeof pfd, &pfd);
  if (!::SetPixelFormat(window->dc, format, &pfd)) {
    *failure = error_text("SetPixelFormat");
    return false;
  }
  window->pixel_format = format;
  return true;
}

HGLRC wgl_context_create(HDC dc, std::string* failure) {
  const char* kind = std::getenv("ZRV_GL_CONTEXT");
  const bool core = kind != nullptr && std::strcmp(kind, "core") == 0;
  const bool es = kind != nullptr && std::strcmp(kind, "es") == 0;
  if (!core && !es) {
    HGLRC rc = ::wglCreateContext(dc);
    if (rc == nullptr) *failure = error_text("wglCreateContext");
    return rc;
  }
  HGLRC rc = nullptr;
  fetch_through_probe();
  if (!g_wgl.create_context) {
    *failure = "wglCreateContextAttribsARB is missing";
  } else if (es && !listed(g_wgl.extensions, "WGL_EXT_create_context_es2_profile")) {
    *failure = "WGL_EXT_create_context_es2_profile is not offered";
  } else {
    const int attributes[] = {
        WGL_CONTEXT_MAJOR_VERSION_ARB,
        es ? 2 : 3,
        WGL_CONTEXT_MINOR_VERSION_ARB,
        es ? 0 : 2,
        WGL_CONTEXT_PROFILE_MASK_ARB,
        es ? WGL_CONTEXT_ES2_PROFILE_BIT_EXT : WGL_CONTEXT_CORE_PROFILE_BIT_ARB,
        0};
    rc = g_wgl.create_context(dc, nullptr, attributes);
    if (rc == nullptr) *failure = error_text("wglCreateContextAttribsARB");
  }
  // The kind was asked for by name, to try it: no other kind stands in,
  // and the one who asked hears why there is none.
  static bool told = false;
  if (rc == nullptr && !told) {
    told = true;
    std::fprintf(stderr, "ZRV_GL_CONTEXT=%s: no such context: %s\n", kind, failure->c_str());
  }
  return rc;
}

void* wgl_proc_address(const char* name) {
  if (name == nullptr) return nullptr;
  if (void* p = proc_from_wgl(name)) return p;
  // The OpenGL 1.1 calls are exports of opengl32.dll only.
  static const HMODULE opengl32 = ::GetModuleHandleW(L"opengl32.dll");
  if (opengl32 == nullptr) return nullptr;
  return reinterpret_cast<void*>(::GetProcAddress(opengl32, name));
}

const char* wgl_extensions() {
  HDC dc = ::wglGetCurrentDC();
  if (dc == nullptr) return nullptr;
  auto get = proc<PFNWGLGETEXTENSIONSSTRINGARBPROC>("wglGetExtensionsStringARB");
  return get != nullptr ? get(dc) : nullptr;
}

int32_t wgl_multisample_probe(int32_t samples) {
  fetch_through_probe();
  HDC dc = ::wglGetCurrentDC();
  if (dc == nullptr) return 0;
  PixelFormatRequest r;
  r.multisample = 1;
  const int format = multisample_format(dc, r, samples);
  if (format == 0) return 0;
  const int32_t got = format_samples(dc, format);
  return got > 0 ? got : 1;
}

bool wgl_describe(HDC dc, PixelFormatInfo* info) {
  const int format = ::GetPixelFormat(dc);
  if (format <= 0) return false;
  PIXELFORMATDESCRIPTOR pfd = {};
  if (::DescribePixelFormat(dc, format, sizeof pfd, &pfd) == 0) return false;
  info->red_bits = pfd.cRedBits;
  info->green_bits = pfd.cGreenBits;
  info->blue_bits = pfd.cBlueBits;
  info->alpha_bits = pfd.cAlphaBits;
  info->depth_bits = pfd.cDepthBits;
  info->stencil_bits = pfd.cStencilBits;
  info->double_buffer = (pfd.dwFlags & PFD_DOUBLEBUFFER) != 0 ? 1 : 0;
  fetch_through_probe();
  info->samples = format_samples(dc, format);
  return true;
}

}  // namespace zrv::platform::win32
