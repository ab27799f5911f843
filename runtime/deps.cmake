# Outside libraries of the runtime. Read when the runtime is built and by the
# installed CMake package, so that games linking the static library find the
# same imported targets.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
# Image codecs and the archive's decompressor (files and gfx).
pkg_check_modules(LIBPNG REQUIRED IMPORTED_TARGET libpng)
pkg_check_modules(LIBJPEG REQUIRED IMPORTED_TARGET libjpeg)
pkg_check_modules(LIBZ REQUIRED IMPORTED_TARGET zlib)
pkg_check_modules(LZO2 REQUIRED IMPORTED_TARGET lzo2)
# The platform backend's own: the folders of runtime/platform/ it is built
# from and the libraries they need.
if(ZRV_PLATFORM STREQUAL "sdl")
  # The window system; sound output; music and video playback.
  pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
  pkg_check_modules(OPENAL REQUIRED IMPORTED_TARGET openal)
  pkg_check_modules(MPV REQUIRED IMPORTED_TARGET mpv)
  set(ZRV_PLATFORM_FOLDERS posix sdl openal mpv)
  set(ZRV_PLATFORM_LIBS PkgConfig::SDL2 PkgConfig::MPV PkgConfig::OPENAL ${CMAKE_DL_LIBS})
  set(ZRV_PLATFORM_PC_REQUIRES "sdl2 openal mpv")
elseif(ZRV_PLATFORM STREQUAL "win32")
  # Winsock, the adapters' addresses, access lists; the special folders;
  # windows, their messages and the display; pixel formats and WGL; waveOut
  # and the joystick calls. The rest is kernel32's (XInput is looked up at run time).
  set(ZRV_PLATFORM_FOLDERS win32)
  set(ZRV_PLATFORM_LIBS ws2_32 iphlpapi advapi32 shell32 user32 gdi32 opengl32 winmm)
  set(ZRV_PLATFORM_PC_REQUIRES "")
elseif(ZRV_PLATFORM STREQUAL "web")
  # The browser: the canvas, WebGL and the page's input through
  # Emscripten's HTML5 calls; its OpenAL on Web Audio; its file system,
  # with the user's folder kept in IndexedDB. The POSIX files that talk to
  # the system's clock, signals and sockets are the browser's own here.
  set(ZRV_PLATFORM_FOLDERS posix openal web)
  set(ZRV_PLATFORM_SKIP posix/clock.cpp posix/quit_signal.cpp posix/sockets.cpp posix/socket_names.cpp
    posix/program_path.cpp)
  set(ZRV_PLATFORM_LIBS openal)
  set(ZRV_PLATFORM_PC_REQUIRES "")
  # JavaScript in C++ (EM_ASM, EM_JS) names its arguments $0, $1...
  set(ZRV_PLATFORM_COMPILE_OPTIONS -Wno-dollar-in-identifier-extension)
  # Asyncify lets the endless game loop give the page its turn once a
  # frame; WebGL 2 where the browser has it, else 1.
  set(ZRV_PLATFORM_LINK_OPTIONS -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536
    "-sASYNCIFY_IMPORTS=['zrv_next_animation_frame']" -sMIN_WEBGL_VERSION=1
    -sMAX_WEBGL_VERSION=2 -sALLOW_MEMORY_GROWTH=1 -sEXIT_RUNTIME=1 -sFORCE_FILESYSTEM=1 -lidbfs.js
    "-sEXPORTED_RUNTIME_METHODS=['FS','callMain','addRunDependency','removeRunDependency']"
    "SHELL:--js-library ${CMAKE_CURRENT_LIST_DIR}/platform/web/library_web.js")
else()
  set(ZRV_PLATFORM_FOLDERS posix headless)
  set(ZRV_PLATFORM_LIBS)
  set(ZRV_PLATFORM_PC_REQUIRES "")
endif()
