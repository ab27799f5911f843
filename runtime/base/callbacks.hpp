// The game's functions by name: agreed callbacks and loop functions.
#pragma once

#include <cstdint>

#include "base/context.hpp"

namespace zrv {

UserRoutine user_function_find(const RtString& name);
int32_t user_function_call(const RtString& name);
void loop_function_run(const RtString& name);

}  // namespace zrv
