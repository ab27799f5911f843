#include "base/callbacks.hpp"

#include <cstring>

#include "base/errors.hpp"

namespace zrv {

namespace {

// Names match when their lengths and all their bytes are equal, so that
// embedded zero bytes count.
bool same_name(const RtString& name, const char* entry) {
  size_t n = std::strlen(entry);
  return n == name.length && std::memcmp(name.data, entry, n) == 0;
}

bool is_silent_name(const RtString& name) {
  return same_name(name, "ZRV_ON_QUIT") || same_name(name, "ZRV_WIN32_MSG");
}

}  // namespace

UserRoutine user_function_find(const RtString& name) {
  const UserFunction* table = ctx.user_functions;
  if (table == nullptr) return nullptr;
  for (const UserFunction* e = table; e->function != nullptr; ++e) {
    if (e->name != nullptr && same_name(name, e->name)) return e->function;
  }
  return nullptr;
}

int32_t user_function_call(const RtString& name) {
  UserRoutine fn = user_function_find(name);
  if (fn != nullptr) {
    fn();
    return 1;
  }
  if (!is_silent_name(name)) {
    RtString text("CALLBYNAME \"");
    text.append(name);
    text.append("\" *** failed ***\n");
    debug_print(text.c_str());
  }
  return 0;
}

void loop_function_run(const RtString& name) {
  if (!ctx.loop_function.empty()) {
    // Called from inside the running loop function: switch after it returns.
    ctx.pending_loop_function = name;
    ctx.loop_function = RtString();
    return;
  }
  ctx.pending_loop_function = RtString();
  ctx.loop_function = name;
  while (!ctx.loop_function.empty()) {
    UserRoutine fn = user_function_find(ctx.loop_function);
    if (fn == nullptr) {
      ctx.loop_function = RtString();
      return;
    }
    while (!ctx.loop_function.empty()) fn();
    ctx.loop_function = ctx.pending_loop_function;
    ctx.pending_loop_function = RtString();
  }
}

}  // namespace zrv
