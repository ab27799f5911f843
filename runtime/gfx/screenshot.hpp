// --screenshot FILE: the last frame presented in the run is kept and written
// to the file when the program ends. A relative name counts from the
// directory the program was started in.
#pragma once

namespace zrv {

class OpenGLVireo;

// Called before each buffer swap: keeps the frame about to be shown when a
// screenshot was asked for and this frame can be the last one.
void screenshot_capture_if_due(OpenGLVireo* renderer);
// Writes the kept frame (or, when no frame was presented yet, the current
// back buffer) to the file of the option. Reports problems on standard
// error; does nothing without the option.
void screenshot_save_at_end(OpenGLVireo* renderer);

}  // namespace zrv
