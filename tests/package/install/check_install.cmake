# Script mode: install the runtime and build an outside game against it in
# the three ways a game programmer gets it: the CMake package, pkg-config,
# and the Debian package unpacked into a scratch root. Each build runs from
# another folder, and the one-file build from an empty one.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
include(${CMAKE_CURRENT_LIST_DIR}/../run_step.cmake)
set(expected "hello from an outside game\nexit\n")
function(expect_game program what)
  file(MAKE_DIRECTORY ${WORK_DIR}/elsewhere)
  execute_process(COMMAND ${program} --headless --frames 30 WORKING_DIRECTORY ${WORK_DIR}/elsewhere
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0 OR NOT out STREQUAL expected)
    message(FATAL_ERROR "${what}: status ${rc}, output [${out}]\n${err}")
  endif()
endfunction()
function(build_with_cmake prefix dir)
  set(source ${CONSUMER_DIR})
  if(ARGC GREATER 2)
    set(source ${ARGV2})
  endif()
  run(${CMAKE_COMMAND} -S ${source} -B ${dir} -DCMAKE_PREFIX_PATH=${prefix}
      -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_C_COMPILER=${CC}
      "-DCMAKE_CXX_FLAGS=${EXTRA_CXX_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${EXTRA_LINK_FLAGS}")
  run(${CMAKE_COMMAND} --build ${dir})
endfunction()

# 1. The CMake package: the game, its media beside it, its one-file build.
# The game is built from a copy, whose media the last step changes.
set(prefix ${WORK_DIR}/prefix)
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
file(COPY ${CONSUMER_DIR}/ DESTINATION ${WORK_DIR}/consumer)
build_with_cmake(${prefix} ${WORK_DIR}/build ${WORK_DIR}/consumer)
expect_game(${WORK_DIR}/build/mygame "CMake package")
file(MAKE_DIRECTORY ${WORK_DIR}/empty)
file(COPY ${WORK_DIR}/build/mygame-packed DESTINATION ${WORK_DIR}/empty)
expect_game(${WORK_DIR}/empty/mygame-packed "one-file build")
# A changed media file, and no source: the next build copies it.
file(WRITE ${WORK_DIR}/consumer/media/hello.txt "changed\n")
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
file(READ ${WORK_DIR}/build/media/hello.txt copied)
if(NOT copied STREQUAL "changed\n")
  message(FATAL_ERROR "a changed media file was not copied beside the program: [${copied}]")
endif()

# 2. pkg-config, with the compiler alone.
separate_arguments(extra_cxx UNIX_COMMAND "${EXTRA_CXX_FLAGS}")
separate_arguments(extra_link UNIX_COMMAND "${EXTRA_LINK_FLAGS}")
file(GLOB_RECURSE pc_file ${prefix}/lib/zorvane.pc)
get_filename_component(pc_dir "${pc_file}" DIRECTORY)
set(ENV{PKG_CONFIG_PATH} ${pc_dir})
execute_process(COMMAND pkg-config --cflags --libs zorvane OUTPUT_VARIABLE pc RESULT_VARIABLE rc
                OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "pkg-config does not know zorvane")
endif()
separate_arguments(pc UNIX_COMMAND "${pc}")
file(MAKE_DIRECTORY ${WORK_DIR}/pc/media)
file(COPY ${CONSUMER_DIR}/media/hello.txt DESTINATION ${WORK_DIR}/pc/media)
run(${CXX} ${extra_cxx} ${CONSUMER_DIR}/main.cpp ${CONSUMER_DIR}/score.cpp -o ${WORK_DIR}/pc/mygame
    ${pc} ${extra_link})
expect_game(${WORK_DIR}/pc/mygame "pkg-config")

# 3. The Debian package, unpacked into a root of its own.
run(cpack -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK_DIR}/deb)
file(GLOB debs ${WORK_DIR}/deb/*.deb)
list(LENGTH debs count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "cpack made ${count} packages")
endif()
run(dpkg -x ${debs} ${WORK_DIR}/root)
# Libraries in the multiarch folder, the copyright file and the documents
# where Debian wants them.
foreach(file bin/zrvpack lib/${MULTIARCH}/libzorvane_base.a lib/${MULTIARCH}/pkgconfig/zorvane.pc
        share/doc/zorvane-dev/copyright share/doc/zorvane-dev/README.md
        share/doc/zorvane-dev/api.md)
  if(NOT EXISTS ${WORK_DIR}/root/usr/${file})
    message(FATAL_ERROR "the package carries no /usr/${file}")
  endif()
endforeach()
build_with_cmake(${WORK_DIR}/root/usr ${WORK_DIR}/deb-build)
expect_game(${WORK_DIR}/deb-build/mygame "Debian package")

# The public header is the API: what lies behind it cannot be named. Each
# probe must fail to compile where the control compiles.
set(probe_dir ${WORK_DIR}/probes)
file(MAKE_DIRECTORY ${probe_dir})
function(probe name body expect_ok)
  file(WRITE ${probe_dir}/${name}.cpp "#include <zorvane.hpp>\nint main() { ${body} }\n")
  execute_process(COMMAND ${CXX} -std=c++20 -fsyntax-only -I${prefix}/include/zorvane
                  ${probe_dir}/${name}.cpp RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
  if(expect_ok AND NOT rc EQUAL 0)
    message(FATAL_ERROR "probe ${name} should compile:\n${err}")
  elseif(NOT expect_ok AND rc EQUAL 0)
    message(FATAL_ERROR "probe ${name} compiled: the public header shows internals")
  endif()
endfunction()
probe(control "return zrv::ctx.screen_width + zrv::key::Space + zrv::rgb(1, 2, 3);" TRUE)
probe(platform "return zrv::platform::backend().is_headless() ? 1 : 0;" FALSE)
probe(platform_namespace "using namespace zrv::platform; return 0;" FALSE)
probe(gl_table "return zrv::gl.loaded ? 1 : 0;" FALSE)
probe(renderer "return zrv::ctx.renderer->width;" FALSE)
