// Whether the context really offers an OpenGL or GLX entry point. The
// drivers' address lookup hands out a stub for any name at all, so the
// answer comes from the function's origin (the table made from the GL
// headers at build time): core in a version the context has, or brought
// by an extension the context or its window system lists.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include "base/context.hpp"
#include "gfx/gl_api.hpp"
#include "gfx/gpu.hpp"
#include "gfx/renderer.hpp"
#include "platform/platform.hpp"

namespace zrv {

namespace {

struct GlFunction {
  const char* name;
  const char* group;  // GL_VERSION_x_y, GLX_VERSION_x_y or an extension
};

constexpr GlFunction kFunctions[] = {
#include "gl_function_table.inc"
};

const char* origin_of(const char* name) {
  const auto* end = std::end(kFunctions);
  const auto* at = std::lower_bound(
      std::begin(kFunctions), end, name,
      [](const GlFunction& f, const char* n) { return std::strcmp(f.name, n) < 0; });
  return at != end && std::strcmp(at->name, name) == 0 ? at->group : nullptr;
}

// Major * 100 + minor of a "x_y" suffix or a "x.y..." version string.
int version_number(const char* text, char separator) {
  int major = 0, minor = 0;
  const char format[] = {'%', 'd', separator, '%', 'd', '\0'};
  return std::sscanf(text, format, &major, &minor) == 2 ? major * 100 + minor : 0;
}

}  // namespace

bool extension_listed(const char* list, const char* name) {
  if (list == nullptr || name == nullptr || *name == '\0') return false;
  const size_t n = std::strlen(name);
  for (const char* p = std::strstr(list, name); p != nullptr; p = std::strstr(p + 1, name)) {
    const bool starts = p == list || p[-1] == ' ';
    const bool ends = p[n] == ' ' || p[n] == '\0';
    if (starts && ends) return true;
  }
  return false;
}

bool gl_function_offered(const char* name) {
  const OpenGLVireo* r = ctx.renderer;
  platform::Backend& b = platform::backend();
  if (r == nullptr || !r->gl_ready || name == nullptr || !b.gl_context_current()) return false;
  const char* group = origin_of(name);
  if (group == nullptr || b.gl_proc_address(name) == nullptr) return false;
  if (std::strncmp(group, "GLX_VERSION_", 12) == 0) return true;  // every GLX since 1.3
  if (std::strncmp(group, "GL_VERSION_", 11) == 0) {
    const std::string version = gpu::context_string(GL_VERSION);
    return version_number(group + 11, '_') <= version_number(version.c_str(), '.');
  }
  return extension_listed(gpu::extensions().c_str(), group) ||
         extension_listed(b.gl_window_system_extensions(), group);
}

}  // namespace zrv
