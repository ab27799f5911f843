// The 3D scene object. The 2D runtime only creates it bound to the renderer
// and destroys it at shutdown.
#pragma once

namespace zrv {

class OpenGLVireo;

class Vireo3D {
 public:
  explicit Vireo3D(OpenGLVireo* renderer) : renderer_(renderer) {}
  OpenGLVireo* renderer() const { return renderer_; }
  // Leaves any 3D drawing mode (called once per frame).
  void leave_3d() {}

 private:
  OpenGLVireo* renderer_;
};

}  // namespace zrv
