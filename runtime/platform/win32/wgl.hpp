// OpenGL on Win32 through WGL: pixel formats (multisample ones through
// WGL_ARB_pixel_format), contexts of the kind ZRV_GL_CONTEXT asks for,
// entry points, display sync and the window system's extension string.
#pragma once

#include "platform/win32/window_system.hpp"

namespace zrv::platform::win32 {

// Chooses the closest format to the request and sets it on the window's
// device context (a window's format is fixed once set). With multisample
// asked and WGL_ARB_multisample offered, a multisample format is taken when
// there is one. False, with *failure, when no format could be set.
bool wgl_format_set(NativeWindow* window, const PixelFormatRequest& request, std::string* failure);

// A context for the device context's format: compatibility unless
// ZRV_GL_CONTEXT says "core" (3.2 core) or "es" (OpenGL ES 2). Null, with
// *failure, when it cannot be made.
HGLRC wgl_context_create(HDC dc, std::string* failure);

// An entry point by name: wglGetProcAddress, and for the OpenGL 1.1 calls
// (which it does not give) opengl32.dll's exports. Null when neither has it.
void* wgl_proc_address(const char* name);

// The extension string of WGL for the current context, null without one.
const char* wgl_extensions();

// The samples of the multisample format the chooser finds for the sample
// count (0 = any), 0 when none.
int32_t wgl_multisample_probe(int32_t samples);

bool wgl_describe(HDC dc, PixelFormatInfo* info);

}  // namespace zrv::platform::win32
