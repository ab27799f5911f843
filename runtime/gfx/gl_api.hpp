// OpenGL entry points. The runtime does not link an OpenGL library: every
// function, the fixed-function 1.x ones included, is fetched by name from the
// window system once a context exists. `gl` holds the 1.x functions the 2D
// runtime uses; `gl_ext` the extension entry points other modules test for
// null before calling.
//
// Each function of `gl` first draws the quads waiting in the batch (see
// quad_batch.hpp): whatever a call changes or reads, it sees the picture as
// the program drew it. `gl_driver` holds the driver's functions themselves.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdint>

namespace zrv {

#define ZRV_GL_FUNCTIONS(X)                                                                       \
  X(void, Clear, GLbitfield)                                                                      \
  X(void, ClearColor, GLclampf, GLclampf, GLclampf, GLclampf)                                     \
  X(void, ClearDepth, GLclampd)                                                                   \
  X(void, ColorMask, GLboolean, GLboolean, GLboolean, GLboolean)                                  \
  X(void, Viewport, GLint, GLint, GLsizei, GLsizei)                                               \
  X(void, MatrixMode, GLenum)                                                                     \
  X(void, LoadIdentity)                                                                           \
  X(void, LoadMatrixf, const GLfloat*)                                                            \
  X(void, Ortho, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble)                      \
  X(void, Scalef, GLfloat, GLfloat, GLfloat)                                                      \
  X(void, Translatef, GLfloat, GLfloat, GLfloat)                                                  \
  X(void, Rotatef, GLfloat, GLfloat, GLfloat, GLfloat)                                            \
  X(void, PushMatrix)                                                                             \
  X(void, PopMatrix)                                                                              \
  X(void, Enable, GLenum)                                                                         \
  X(void, Disable, GLenum)                                                                        \
  X(void, BlendFunc, GLenum, GLenum)                                                              \
  X(void, AlphaFunc, GLenum, GLclampf)                                                            \
  X(void, Color4f, GLfloat, GLfloat, GLfloat, GLfloat)                                            \
  X(void, FrontFace, GLenum)                                                                      \
  X(void, ShadeModel, GLenum)                                                                     \
  X(void, Hint, GLenum, GLenum)                                                                   \
  X(void, BindTexture, GLenum, GLuint)                                                            \
  X(void, GenTextures, GLsizei, GLuint*)                                                          \
  X(void, DeleteTextures, GLsizei, const GLuint*)                                                 \
  X(void, TexParameteri, GLenum, GLenum, GLint)                                                   \
  X(void, GetTexParameteriv, GLenum, GLenum, GLint*)                                              \
  X(void, TexImage2D, GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void*) \
  X(void, TexSubImage2D, GLenum, GLint, GLint, GLint, GLsizei, GLsizei, GLenum, GLenum,           \
    const void*)                                                                                  \
  X(void, CopyTexSubImage2D, GLenum, GLint, GLint, GLint, GLint, GLint, GLsizei, GLsizei)         \
  X(void, GetTexLevelParameteriv, GLenum, GLint, GLenum, GLint*)                                  \
  X(void, GetTexImage, GLenum, GLint, GLenum, GLenum, void*)                                      \
  X(void, PixelStorei, GLenum, GLint)                                                             \
  X(void, GetIntegerv, GLenum, GLint*)                                                            \
  X(void, GetFloatv, GLenum, GLfloat*)                                                            \
  X(GLboolean, IsEnabled, GLenum)                                                                 \
  X(const GLubyte*, GetString, GLenum)                                                            \
  X(GLenum, GetError)                                                                             \
  X(void, ReadPixels, GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void*)                      \
  X(void, ReadBuffer, GLenum)                                                                     \
  X(void, EnableClientState, GLenum)                                                              \
  X(void, DisableClientState, GLenum)                                                             \
  X(void, VertexPointer, GLint, GLenum, GLsizei, const void*)                                     \
  X(void, TexCoordPointer, GLint, GLenum, GLsizei, const void*)                                   \
  X(void, ColorPointer, GLint, GLenum, GLsizei, const void*)                                      \
  X(void, DrawArrays, GLenum, GLint, GLsizei)                                                     \
  X(void, DrawElements, GLenum, GLsizei, GLenum, const void*)                                     \
  X(void, PointSize, GLfloat)                                                                     \
  X(void, Scissor, GLint, GLint, GLsizei, GLsizei)                                                \
  X(void, Finish)                                                                                 \
  X(void, Flush)

#define ZRV_GL_MEMBER(ret, name, ...) ret (*name)(__VA_ARGS__) = nullptr;

struct GlApi {
  ZRV_GL_FUNCTIONS(ZRV_GL_MEMBER)
  bool loaded = false;  // every function above was found
};

#undef ZRV_GL_MEMBER

extern GlApi gl;
extern GlApi gl_driver;

// Fetches the functions of `gl` through the platform (a context must be
// current). False when one is missing; `gl.loaded` tells the same.
bool gl_api_load();

// Extension entry points, each null when missing, by group: each list
// declares its members of GlExt and is looked up as one.
// "GL_ARB_multitexture" group (with the buffer objects).
#define ZRV_GL_EXT_MULTITEXTURE(X)                             \
  X(PFNGLACTIVETEXTUREARBPROC, glActiveTextureARB)             \
  X(PFNGLMULTITEXCOORD2FARBPROC, glMultiTexCoord2fARB)         \
  X(PFNGLCLIENTACTIVETEXTUREARBPROC, glClientActiveTextureARB) \
  X(PFNGLGENBUFFERSARBPROC, glGenBuffersARB)                   \
  X(PFNGLBINDBUFFERARBPROC, glBindBufferARB)                   \
  X(PFNGLBUFFERDATAARBPROC, glBufferDataARB)                   \
  X(PFNGLDELETEBUFFERSARBPROC, glDeleteBuffersARB)             \
  X(PFNGLMAPBUFFERARBPROC, glMapBufferARB)                     \
  X(PFNGLUNMAPBUFFERARBPROC, glUnmapBufferARB)                 \
  X(PFNGLGETBUFFERPARAMETERIVARBPROC, glGetBufferParameterivARB)
// "GL_ARB_fragment_program" group (shaders of the 3D engine).
#define ZRV_GL_EXT_FRAGMENT_PROGRAM(X)                           \
  X(PFNGLCREATEPROGRAMOBJECTARBPROC, glCreateProgramObjectARB)   \
  X(PFNGLDELETEOBJECTARBPROC, glDeleteObjectARB)                 \
  X(PFNGLCREATESHADEROBJECTARBPROC, glCreateShaderObjectARB)     \
  X(PFNGLSHADERSOURCEARBPROC, glShaderSourceARB)                 \
  X(PFNGLCOMPILESHADERARBPROC, glCompileShaderARB)               \
  X(PFNGLGETOBJECTPARAMETERIVARBPROC, glGetObjectParameterivARB) \
  X(PFNGLATTACHOBJECTARBPROC, glAttachObjectARB)                 \
  X(PFNGLGETINFOLOGARBPROC, glGetInfoLogARB)                     \
  X(PFNGLLINKPROGRAMARBPROC, glLinkProgramARB)                   \
  X(PFNGLUSEPROGRAMOBJECTARBPROC, glUseProgramObjectARB)         \
  X(PFNGLGETUNIFORMLOCATIONARBPROC, glGetUniformLocationARB)     \
  X(PFNGLUNIFORM1FARBPROC, glUniform1fARB)                       \
  X(PFNGLUNIFORM1IARBPROC, glUniform1iARB)                       \
  X(PFNGLGETATTRIBLOCATIONARBPROC, glGetAttribLocationARB)       \
  X(PFNGLVERTEXATTRIB1FARBPROC, glVertexAttrib1fARB)
// Framebuffer objects (looked up unconditionally).
#define ZRV_GL_EXT_FRAMEBUFFER(X)                                      \
  X(PFNGLBINDRENDERBUFFEREXTPROC, glBindRenderbufferEXT)               \
  X(PFNGLDELETERENDERBUFFERSEXTPROC, glDeleteRenderbuffersEXT)         \
  X(PFNGLGENRENDERBUFFERSEXTPROC, glGenRenderbuffersEXT)               \
  X(PFNGLRENDERBUFFERSTORAGEEXTPROC, glRenderbufferStorageEXT)         \
  X(PFNGLBINDFRAMEBUFFEREXTPROC, glBindFramebufferEXT)                 \
  X(PFNGLDELETEFRAMEBUFFERSEXTPROC, glDeleteFramebuffersEXT)           \
  X(PFNGLGENFRAMEBUFFERSEXTPROC, glGenFramebuffersEXT)                 \
  X(PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC, glCheckFramebufferStatusEXT)   \
  X(PFNGLFRAMEBUFFERTEXTURE2DEXTPROC, glFramebufferTexture2DEXT)       \
  X(PFNGLFRAMEBUFFERRENDERBUFFEREXTPROC, glFramebufferRenderbufferEXT) \
  X(PFNGLGETFRAMEBUFFERATTACHMENTPARAMETERIVEXTPROC, glGetFramebufferAttachmentParameterivEXT)

struct GlExt {
  // Display sync (the window system's swap-interval call).
  bool (*swap_interval)(int32_t interval) = nullptr;
#define ZRV_GL_EXT_MEMBER(type, name) type name = nullptr;
  ZRV_GL_EXT_MULTITEXTURE(ZRV_GL_EXT_MEMBER)
  ZRV_GL_EXT_FRAGMENT_PROGRAM(ZRV_GL_EXT_MEMBER)
  ZRV_GL_EXT_FRAMEBUFFER(ZRV_GL_EXT_MEMBER)
#undef ZRV_GL_EXT_MEMBER
};

extern GlExt gl_ext;
// glGenFramebuffersEXT was found.
extern bool fbo_supported;

// Looks the extension groups up by the extension names in `extensions`
// (the OpenGL and the window system's strings together), writing one
// "ext: %-35s   [FAILED]" log line per missing entry point.
void gl_ext_load(const char* extensions);
// The framebuffer-object entry points, looked up whatever the extension
// string says; logs "can't use framebuffer object" when there are none.
void target_entry_points_load();

}  // namespace zrv
