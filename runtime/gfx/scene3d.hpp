// The 3D scene object: the least the start-up and the frame loop need of
// the 3D engine, which this runtime does not have. It is created bound to
// the renderer, asked to leave any 3D mode once per frame (a no-op here) and
// destroyed at shutdown, so that a 3D engine can take its place later.
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
