# Cross build for 64-bit Windows with Debian's MinGW-w64 (the posix thread
# model: std::thread and std::mutex need it). ZRV_MINGW_PREFIX holds the
# libraries built for the target (tools/build-windows.sh makes it).

# Static archives before import libraries: with libz.dll.a found first, the
# program would need zlib1.dll beside it. The platform's rules set the
# suffixes after this file is read, so it is read once more after them.
if(DEFINED CMAKE_FIND_LIBRARY_SUFFIXES)
  set(CMAKE_FIND_LIBRARY_SUFFIXES .a .dll.a .lib)
  return()
endif()
set(CMAKE_USER_MAKE_RULES_OVERRIDE ${CMAKE_CURRENT_LIST_FILE})

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_AR ${triple}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${triple}-gcc-ranlib-posix CACHE FILEPATH "")

set(ZRV_MINGW_PREFIX "$ENV{ZRV_MINGW_PREFIX}" CACHE PATH "Libraries built for the target")
# try_compile reads this file again, in the same process and without the
# cache: through the environment it finds the same prefix, and so leaves
# PKG_CONFIG_LIBDIR below as it was.
set(ENV{ZRV_MINGW_PREFIX} "${ZRV_MINGW_PREFIX}")
# The folders a game names with CMAKE_PREFIX_PATH (an installed runtime
# for the target, say) are the target's too.
set(CMAKE_FIND_ROOT_PATH /usr/${triple} ${ZRV_MINGW_PREFIX} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config answers for the target's libraries only (without a prefix,
# "/lib/pkgconfig" would be the build machine's).
set(ENV{PKG_CONFIG_LIBDIR} "/usr/${triple}/lib/pkgconfig")
if(ZRV_MINGW_PREFIX)
  set(ENV{PKG_CONFIG_LIBDIR} "${ZRV_MINGW_PREFIX}/lib/pkgconfig:$ENV{PKG_CONFIG_LIBDIR}")
endif()
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")

# One .exe that needs no DLL beside it: the C and C++ runtimes and the
# threads library linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
