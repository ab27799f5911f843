// Reloading the program's media when their files change on disk (--watch).
#pragma once

namespace zrv {

// At start-up: watches from now on when --watch asks for it, unless the run
// replays a recording or its media come from the program's archive.
void media_watch_begin();
// Once a frame: the changed files into their slots, one log line each.
void media_watch_service();
// At shutdown.
void media_watch_end();

}  // namespace zrv
