#include "gfx/gl_api.hpp"

#include <cstring>

#include "base/errors.hpp"
#include "gfx/gpu.hpp"
#include "platform/platform.hpp"

namespace zrv {

GlApi gl;
GlApi gl_driver;
bool fbo_supported = false;
bool (*gl_swap_interval)(int32_t interval) = nullptr;

namespace {

template <class Fn>
void fetch(Fn& slot, const char* name) {
  slot = reinterpret_cast<Fn>(platform::backend().gl_proc_address(name));
}

// The function of `gl` for a member of the table: the batch first, then the
// driver's function.
template <auto Member>
struct BatchFirst;
template <class R, class... A, R (*GlApi::*Member)(A...)>
struct BatchFirst<Member> {
  static R call(A... a) {
    gpu::flush();
    return (gl_driver.*Member)(a...);
  }
};

bool swap_interval_thunk(int32_t interval) {
  return platform::backend().gl_set_swap_interval(interval);
}

}  // namespace

bool gl_api_load() {
  bool all = true;
#define ZRV_GL_FETCH(ret, name, ...)                                    \
  fetch(gl_driver.name, "gl" #name);                                    \
  gl.name = gl_driver.name ? &BatchFirst<&GlApi::name>::call : nullptr; \
  if (gl.name == nullptr) all = false;
  ZRV_GL_FUNCTIONS(ZRV_GL_FETCH)
#undef ZRV_GL_FETCH
  // An optional function under its core name, else its other name.
#define ZRV_GL_FETCH_OPTIONAL(ret, name, other, ...)           \
  fetch(gl_driver.name, "gl" #name);                           \
  if (gl_driver.name == nullptr) fetch(gl_driver.name, other); \
  gl.name = gl_driver.name ? &BatchFirst<&GlApi::name>::call : nullptr;
  ZRV_GL_OPTIONAL_FUNCTIONS(ZRV_GL_FETCH_OPTIONAL)
#undef ZRV_GL_FETCH_OPTIONAL
  gl.loaded = gl_driver.loaded = all;
  return all;
}

void target_entry_points_load() {
  // The framebuffer objects, logged by their extension names as the log
  // has always named them.
  const struct {
    void* fn;
    const char* name;
  } framebuffer[] = {
      {reinterpret_cast<void*>(gl_driver.BindRenderbuffer), "glBindRenderbufferEXT"},
      {reinterpret_cast<void*>(gl_driver.DeleteRenderbuffers), "glDeleteRenderbuffersEXT"},
      {reinterpret_cast<void*>(gl_driver.GenRenderbuffers), "glGenRenderbuffersEXT"},
      {reinterpret_cast<void*>(gl_driver.RenderbufferStorage), "glRenderbufferStorageEXT"},
      {reinterpret_cast<void*>(gl_driver.BindFramebuffer), "glBindFramebufferEXT"},
      {reinterpret_cast<void*>(gl_driver.DeleteFramebuffers), "glDeleteFramebuffersEXT"},
      {reinterpret_cast<void*>(gl_driver.GenFramebuffers), "glGenFramebuffersEXT"},
      {reinterpret_cast<void*>(gl_driver.CheckFramebufferStatus), "glCheckFramebufferStatusEXT"},
      {reinterpret_cast<void*>(gl_driver.FramebufferTexture2D), "glFramebufferTexture2DEXT"},
      {reinterpret_cast<void*>(gl_driver.FramebufferRenderbuffer), "glFramebufferRenderbufferEXT"},
  };
  bool framebuffers = true;
  for (const auto& f : framebuffer) {
    if (f.fn != nullptr) continue;
    log_lookup_failed(f.name);
    framebuffers = false;
  }
  fbo_supported = framebuffers;
  if (!fbo_supported) log_write("can't use framebuffer object\n");
}

void gl_ext_load(const char* extensions) {
  gl_swap_interval = nullptr;
  if (extensions == nullptr) return;
  // The window system's display-sync extension, under whichever vendor
  // prefix it comes (GLX_EXT_, GLX_MESA_, GLX_SGI_, WGL_EXT_ ...).
  if (std::strstr(extensions, "_swap_control") != nullptr) {
    if (platform::backend().gl_swap_interval_available()) {
      gl_swap_interval = swap_interval_thunk;
    } else {
      log_lookup_failed(platform::backend().gl_swap_interval_call());
    }
  }
}

}  // namespace zrv
