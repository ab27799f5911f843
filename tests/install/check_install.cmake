# Script mode: install, configure and build the consumer, run it headless.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
function(run)
  execute_process(COMMAND ${ARGV} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGV}\n${out}\n${err}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix)
run(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/build
    -DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix
    -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_C_COMPILER=${CC}
    "-DCMAKE_CXX_FLAGS=${EXTRA_CXX_FLAGS}"
    "-DCMAKE_EXE_LINKER_FLAGS=${EXTRA_LINK_FLAGS}")
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
run(${WORK_DIR}/build/mygame --headless)
if(NOT last_output STREQUAL "hello from an outside game\nexit\n")
  message(FATAL_ERROR "unexpected output: [${last_output}]")
endif()

# The public header is the API: what lies behind it cannot be named. Each
# probe must fail to compile where the control compiles.
set(probe_dir ${WORK_DIR}/probes)
file(MAKE_DIRECTORY ${probe_dir})
function(probe name body expect_ok)
  file(WRITE ${probe_dir}/${name}.cpp "#include <zorvane.hpp>\nint main() { ${body} }\n")
  execute_process(COMMAND ${CXX} -std=c++20 -fsyntax-only -I${WORK_DIR}/prefix/include/zorvane
                  ${probe_dir}/${name}.cpp RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
  if(expect_ok AND NOT rc EQUAL 0)
    message(FATAL_ERROR "probe ${name} should compile:\n${err}")
  elseif(NOT expect_ok AND rc EQUAL 0)
    message(FATAL_ERROR "probe ${name} compiled: the public header shows internals")
  endif()
endfunction()
probe(control "return zrv::ctx.screen_width + zrv::key::Space;" TRUE)
probe(platform "return zrv::platform::backend().is_headless() ? 1 : 0;" FALSE)
probe(platform_namespace "using namespace zrv::platform; return 0;" FALSE)
probe(gl_table "return zrv::gl.loaded ? 1 : 0;" FALSE)
probe(renderer "return zrv::ctx.renderer->width;" FALSE)
