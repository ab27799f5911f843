// The process entry of every program built on the runtime. The game supplies
// app_defaults, game_main and its user_functions table.
#include "app/lifecycle.hpp"
#include "zorvane.hpp"

int main(int argc, char** argv) {
  zrv::GameHooks hooks{&app_defaults, &game_main, user_functions};
  zrv::runtime_entry(argc, argv, hooks);
}
