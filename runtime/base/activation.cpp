// Pause and resume by window activation, and the switches of that and of
// the quit key.
#include "base/activation.hpp"

#include "base/callbacks.hpp"
#include "base/context.hpp"

namespace zrv {

void app_activation_changed(int32_t deactivated) {
  int32_t p = ctx.autopause ? (deactivated ? 1 : 0) : 0;
  if (ctx.paused == p) return;
  ctx.paused = p;
  user_function_call(RtString(p ? "ZRV_ON_PAUSE" : "ZRV_ON_RESUME"));
}

void app_set_autopause(int32_t flag) {
  ctx.autopause = flag != 0;
  if (flag == 0 && ctx.paused) {
    ctx.paused = 0;
    user_function_call(RtString("ZRV_ON_RESUME"));
  }
}

void app_set_escape_quits(int32_t flag) { ctx.escape_quits = flag != 0; }

}  // namespace zrv
