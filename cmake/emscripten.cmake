# Build for the web with Debian's Emscripten: WebAssembly and WebGL.
# ZRV_WEB_PREFIX holds the libraries built for the target
# (tools/build-web.sh makes it).
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)

set(ZRV_WEB_PREFIX "$ENV{ZRV_WEB_PREFIX}" CACHE PATH "Libraries built for the target")
# try_compile reads this file again without the cache: the environment
# carries the prefix there.
set(ENV{ZRV_WEB_PREFIX} "${ZRV_WEB_PREFIX}")
list(APPEND CMAKE_FIND_ROOT_PATH ${ZRV_WEB_PREFIX} ${CMAKE_PREFIX_PATH})

# pkg-config answers for the target's libraries only.
set(ENV{PKG_CONFIG_LIBDIR} "${ZRV_WEB_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")

# Debian's emcc runs its JavaScript optimiser with the machine's node, which
# finds Debian's node modules (acorn) only through NODE_PATH: the links are
# run with it, whatever the shell that runs the build has.
set(CMAKE_CXX_LINKER_LAUNCHER env NODE_PATH=/usr/share/nodejs)
set(CMAKE_C_LINKER_LAUNCHER env NODE_PATH=/usr/share/nodejs)
