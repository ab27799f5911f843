// OpenGL entry points. The runtime does not link an OpenGL library: every
// function is fetched by name from the window system once a context
// exists. Only the programmable pipeline is used (OpenGL 2.0, OpenGL ES
// 2.0, WebGL 1): shaders, vertex buffers, textures, framebuffers. The GPU
// layer (gpu.hpp) is the one user of these functions in the runtime.
//
// `gl_driver` holds the driver's functions themselves, which the GPU layer
// calls. `gl` holds the same functions, each first drawing the vertices
// waiting in the layer's batch: code outside the layer (tests, tools) that
// reads or changes something sees the picture as the program drew it.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdint>

namespace zrv {

// Every function the runtime needs; the ones marked optional may be
// missing (desktop-only calls, framebuffer objects of an old driver).
#define ZRV_GL_FUNCTIONS(X)                                                                       \
  X(void, Clear, GLbitfield)                                                                      \
  X(void, ClearColor, GLclampf, GLclampf, GLclampf, GLclampf)                                     \
  X(void, ColorMask, GLboolean, GLboolean, GLboolean, GLboolean)                                  \
  X(void, Viewport, GLint, GLint, GLsizei, GLsizei)                                               \
  X(void, Scissor, GLint, GLint, GLsizei, GLsizei)                                                \
  X(void, Enable, GLenum)                                                                         \
  X(void, Disable, GLenum)                                                                        \
  X(void, BlendFunc, GLenum, GLenum)                                                              \
  X(void, BindTexture, GLenum, GLuint)                                                            \
  X(void, GenTextures, GLsizei, GLuint*)                                                          \
  X(void, DeleteTextures, GLsizei, const GLuint*)                                                 \
  X(void, TexParameteri, GLenum, GLenum, GLint)                                                   \
  X(void, GetTexParameteriv, GLenum, GLenum, GLint*)                                              \
  X(void, TexImage2D, GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void*) \
  X(void, TexSubImage2D, GLenum, GLint, GLint, GLint, GLsizei, GLsizei, GLenum, GLenum,           \
    const void*)                                                                                  \
  X(void, CopyTexSubImage2D, GLenum, GLint, GLint, GLint, GLint, GLint, GLsizei, GLsizei)         \
  X(void, PixelStorei, GLenum, GLint)                                                             \
  X(void, GetIntegerv, GLenum, GLint*)                                                            \
  X(void, GetFloatv, GLenum, GLfloat*)                                                            \
  X(const GLubyte*, GetString, GLenum)                                                            \
  X(GLenum, GetError)                                                                             \
  X(void, ReadPixels, GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void*)                      \
  X(void, DrawArrays, GLenum, GLint, GLsizei)                                                     \
  X(void, DrawElements, GLenum, GLsizei, GLenum, const void*)                                     \
  X(void, Finish)                                                                                 \
  X(void, Flush)                                                                                  \
  X(void, ActiveTexture, GLenum)                                                                  \
  X(GLuint, CreateShader, GLenum)                                                                 \
  X(void, ShaderSource, GLuint, GLsizei, const GLchar* const*, const GLint*)                      \
  X(void, CompileShader, GLuint)                                                                  \
  X(void, GetShaderiv, GLuint, GLenum, GLint*)                                                    \
  X(void, GetShaderInfoLog, GLuint, GLsizei, GLsizei*, GLchar*)                                   \
  X(void, DeleteShader, GLuint)                                                                   \
  X(GLuint, CreateProgram)                                                                        \
  X(void, AttachShader, GLuint, GLuint)                                                           \
  X(void, BindAttribLocation, GLuint, GLuint, const GLchar*)                                      \
  X(void, LinkProgram, GLuint)                                                                    \
  X(void, GetProgramiv, GLuint, GLenum, GLint*)                                                   \
  X(void, GetProgramInfoLog, GLuint, GLsizei, GLsizei*, GLchar*)                                  \
  X(void, UseProgram, GLuint)                                                                     \
  X(void, DeleteProgram, GLuint)                                                                  \
  X(GLint, GetUniformLocation, GLuint, const GLchar*)                                             \
  X(void, Uniform1i, GLint, GLint)                                                                \
  X(void, Uniform1f, GLint, GLfloat)                                                              \
  X(void, UniformMatrix4fv, GLint, GLsizei, GLboolean, const GLfloat*)                            \
  X(void, VertexAttribPointer, GLuint, GLint, GLenum, GLboolean, GLsizei, const void*)            \
  X(void, EnableVertexAttribArray, GLuint)                                                        \
  X(void, DisableVertexAttribArray, GLuint)                                                       \
  X(void, GenBuffers, GLsizei, GLuint*)                                                           \
  X(void, BindBuffer, GLenum, GLuint)                                                             \
  X(void, BufferData, GLenum, GLsizeiptr, const void*, GLenum)                                    \
  X(void, BufferSubData, GLenum, GLintptr, GLsizeiptr, const void*)                               \
  X(void, DeleteBuffers, GLsizei, const GLuint*)

// Functions a context may lack: null when missing. Framebuffer objects under
// their core or their extension name; a vertex array object, which a core
// context needs and older ones do not have; the list of extensions one by
// one, which a core context needs.
#define ZRV_GL_OPTIONAL_FUNCTIONS(X)                                                               \
  X(void, GenFramebuffers, "glGenFramebuffersEXT", GLsizei, GLuint*)                               \
  X(void, DeleteFramebuffers, "glDeleteFramebuffersEXT", GLsizei, const GLuint*)                   \
  X(void, BindFramebuffer, "glBindFramebufferEXT", GLenum, GLuint)                                 \
  X(GLenum, CheckFramebufferStatus, "glCheckFramebufferStatusEXT", GLenum)                         \
  X(void, FramebufferTexture2D, "glFramebufferTexture2DEXT", GLenum, GLenum, GLenum, GLuint,       \
    GLint)                                                                                         \
  X(void, GenRenderbuffers, "glGenRenderbuffersEXT", GLsizei, GLuint*)                             \
  X(void, DeleteRenderbuffers, "glDeleteRenderbuffersEXT", GLsizei, const GLuint*)                 \
  X(void, BindRenderbuffer, "glBindRenderbufferEXT", GLenum, GLuint)                               \
  X(void, RenderbufferStorage, "glRenderbufferStorageEXT", GLenum, GLenum, GLsizei, GLsizei)       \
  X(void, FramebufferRenderbuffer, "glFramebufferRenderbufferEXT", GLenum, GLenum, GLenum, GLuint) \
  X(void, GenVertexArrays, "glGenVertexArraysAPPLE", GLsizei, GLuint*)                             \
  X(void, BindVertexArray, "glBindVertexArrayAPPLE", GLuint)                                       \
  X(void, GetFramebufferAttachmentParameteriv, "glGetFramebufferAttachmentParameterivEXT", GLenum, \
    GLenum, GLenum, GLint*)                                                                        \
  X(const GLubyte*, GetStringi, "glGetStringi", GLenum, GLuint)

#define ZRV_GL_MEMBER(ret, name, ...) ret (*name)(__VA_ARGS__) = nullptr;
#define ZRV_GL_OPTIONAL_MEMBER(ret, name, other, ...) ret (*name)(__VA_ARGS__) = nullptr;

struct GlApi {
  ZRV_GL_FUNCTIONS(ZRV_GL_MEMBER)
  ZRV_GL_OPTIONAL_FUNCTIONS(ZRV_GL_OPTIONAL_MEMBER)
  bool loaded = false;  // every function of ZRV_GL_FUNCTIONS was found
};

#undef ZRV_GL_MEMBER
#undef ZRV_GL_OPTIONAL_MEMBER

extern GlApi gl;
extern GlApi gl_driver;

// Fetches the functions through the platform (a context must be current).
// False when a required one is missing; `gl.loaded` tells the same.
bool gl_api_load();
// Whether the framebuffer-object functions were found (fbo_supported),
// with one "ext: %-35s   [FAILED]" log line per missing one.
void target_entry_points_load();
extern bool fbo_supported;

// The window system's display sync, when it has one (null otherwise).
extern bool (*gl_swap_interval)(int32_t interval);
// Looks the display sync up by the extension names in `extensions` (the
// OpenGL and the window system's strings together), logging when the
// string names it and the call is missing.
void gl_ext_load(const char* extensions);

}  // namespace zrv
