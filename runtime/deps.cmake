# Outside libraries of the runtime. Read when the runtime is built and by the
# installed CMake package, so that games linking the static library find the
# same imported targets.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
# Image codecs and the archive's decompressor (files and gfx).
pkg_check_modules(LIBPNG REQUIRED IMPORTED_TARGET libpng)
pkg_check_modules(LIBJPEG REQUIRED IMPORTED_TARGET libjpeg)
pkg_check_modules(LIBZ REQUIRED IMPORTED_TARGET zlib)
pkg_check_modules(LZO2 REQUIRED IMPORTED_TARGET lzo2)
# Sound output (platform, for sound).
pkg_check_modules(OPENAL REQUIRED IMPORTED_TARGET openal)
# Music and video playback (platform, for sound).
pkg_check_modules(MPV REQUIRED IMPORTED_TARGET mpv)
