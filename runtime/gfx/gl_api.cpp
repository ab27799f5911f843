#include "gfx/gl_api.hpp"

#include <cstdio>
#include <cstring>

#include "base/errors.hpp"
#include "gfx/quad_batch.hpp"
#include "platform/platform.hpp"

namespace zrv {

GlApi gl;
GlApi gl_driver;
GlExt gl_ext;
bool fbo_supported = false;

namespace {

template <class Fn>
void fetch(Fn& slot, const char* name) {
  slot = reinterpret_cast<Fn>(platform::backend().gl_proc_address(name));
}

// Fetches an extension entry point and logs it when it is missing.
template <class Fn>
void fetch_ext(Fn& slot, const char* name) {
  fetch(slot, name);
  if (slot == nullptr) log_lookup_failed(name);
}

// The function of `gl` for a member of the table: the batch first, then the
// driver's function.
template <auto Member>
struct BatchFirst;
template <class R, class... A, R (*GlApi::*Member)(A...)>
struct BatchFirst<Member> {
  static R call(A... a) {
    quad_batch_flush_pending();
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
  gl.loaded = gl_driver.loaded = all;
  return all;
}

void gl_ext_load(const char* extensions) {
  gl_ext = GlExt{};
  if (extensions == nullptr) return;
  // The window system's display-sync extension, under whichever vendor
  // prefix it comes (GLX_EXT_, GLX_MESA_, GLX_SGI_, WGL_EXT_ ...).
  if (std::strstr(extensions, "_swap_control") != nullptr) {
    if (platform::backend().gl_swap_interval_available()) {
      gl_ext.swap_interval = swap_interval_thunk;
    } else {
      log_lookup_failed("glXSwapIntervalEXT");
    }
  }
#define ZRV_GL_EXT_FETCH(type, name) fetch_ext(gl_ext.name, #name);
  if (std::strstr(extensions, "GL_ARB_multitexture") != nullptr) {
    ZRV_GL_EXT_MULTITEXTURE(ZRV_GL_EXT_FETCH)
  }
  if (std::strstr(extensions, "GL_ARB_fragment_program") != nullptr) {
    ZRV_GL_EXT_FRAGMENT_PROGRAM(ZRV_GL_EXT_FETCH)
  }
}

void target_entry_points_load() {
  ZRV_GL_EXT_FRAMEBUFFER(ZRV_GL_EXT_FETCH)
#undef ZRV_GL_EXT_FETCH
  fbo_supported = gl_ext.glGenFramebuffersEXT != nullptr;
  if (!fbo_supported) log_write("can't use framebuffer object\n");
}

}  // namespace zrv
