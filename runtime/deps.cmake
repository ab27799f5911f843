# Outside libraries of the runtime. Read when the runtime is built and by the
# installed CMake package, so that games linking the static library find the
# same imported targets.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
