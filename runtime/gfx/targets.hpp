// Off-screen targets: the parts the renderer's life and the frame flip need
// (binding, unbinding, ending the redirection, releasing a record). Creating
// and using targets builds on these.
#pragma once

#include <cstdint>

#include "gfx/renderer.hpp"

namespace zrv {

// The orientation kept while drawing into a target through the back-buffer
// fallback (which draws unrotated).
extern int32_t target_saved_orientation;

// Deletes the record's framebuffer and depth buffer and resets it.
void target_release(TargetRecord& t);
// Binds the record's framebuffer, remembering the binding to restore. False
// (and a log line) when it is bound already.
bool target_bind(TargetRecord& t);
void target_unbind(TargetRecord& t);
// Ends drawing into the current target: drawing goes to the screen again.
void target_end(OpenGLVireo* r);

}  // namespace zrv
