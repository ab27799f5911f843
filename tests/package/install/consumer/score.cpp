// A second file of the game, through the other spelling of the header.
#include <zorvane/zorvane.hpp>

int score_for(int32_t key) { return key == zrv::key::Space ? 5 : 0; }
