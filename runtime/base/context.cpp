#include "base/context.hpp"

namespace zrv {

RtContext ctx;

const RtString& command_line() { return ctx.command_line; }
const RtString& app_name() { return ctx.app_name; }

}  // namespace zrv
