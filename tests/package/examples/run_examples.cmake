# Script mode: install the runtime into a scratch prefix, build examples/
# against it, then run each example on the X display from another folder
# with --frames and --screenshot. A run must end with status 0 and "exit"
# as its last line of output, print no "error:" line, and leave a last
# frame equal to examples/screenshots/<name>.png.
#
# The comparison is exact (picture_diff with no tolerance): everything the
# examples show moves by frames, not by the clock or by the sound, and the
# renderer gives the same pixels run after run (measured: every run
# identical to the last pixel, on a busy machine and in the sanitizer
# build too). New pictures, after art or drawing changed on purpose, are
# made by the examples themselves: run the test with ZRV_UPDATE_REFERENCE=1
# and look at the pictures before committing them.
if("$ENV{DISPLAY}" STREQUAL "")
  message("no X display: skipped (the suite runs under xvfb-run)")
  return()
endif()

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR}/elsewhere ${WORK_DIR}/shots)
include(${CMAKE_CURRENT_LIST_DIR}/../run_step.cmake)

# 1. Install and build, as the top-level README shows for a first game.
set(prefix ${WORK_DIR}/prefix)
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
run(${CMAKE_COMMAND} -S ${EXAMPLES_DIR} -B ${WORK_DIR}/build -DCMAKE_PREFIX_PATH=${prefix}
    -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_C_COMPILER=${CC}
    "-DCMAKE_CXX_FLAGS=${EXTRA_CXX_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${EXTRA_LINK_FLAGS}")
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)

# 2. Run each one. Nothing reaches the real home folder or a sound card:
# the data folder (platform_info("APPDATA")) lies in the scratch folder,
# and OpenAL plays into its null device.
set(failures "")
function(run_example name frames)
  set(home ${WORK_DIR}/home-${name})
  file(REMOVE_RECURSE ${home})
  file(MAKE_DIRECTORY ${home}/tmp)
  set(shot ${WORK_DIR}/shots/${name}.png)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env HOME=${home} XDG_DATA_HOME=${home}/data TMPDIR=${home}/tmp
            ALSOFT_DRIVERS=null
            ${WORK_DIR}/build/${name} --frames ${frames} --screenshot ${shot} ${ARGN}
    WORKING_DIRECTORY ${WORK_DIR}/elsewhere
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 120)
  set(problems "")
  if(NOT rc EQUAL 0)
    list(APPEND problems "status ${rc}")
  endif()
  if(NOT out MATCHES "(^|\n)exit\n$")
    list(APPEND problems "\"exit\" is not the last line of its output")
  endif()
  if(out MATCHES "(^|\n)error:")
    list(APPEND problems "it reported an error")
  endif()
  # What the programs save at the end: hiscore its table in the data folder,
  # breakout its best score in its own save folder.
  set(saved_file "")
  if(name STREQUAL "hiscore")
    set(saved_file ${home}/data/Zorvane/hiscore.ini)
    set(saved_patterns "runs=1\r?\n" "name3=YOU\r?\nscore3=6466\r?\n")
  elseif(name STREQUAL "breakout")
    set(saved_file ${home}/data/breakout/breakout.ini)
    set(saved_patterns "\\[best\\]\r?\nscore=[1-9][0-9]*\r?\n")
  endif()
  if(saved_file AND NOT EXISTS ${saved_file})
    list(APPEND problems "no ${saved_file}")
  elseif(saved_file)
    file(READ ${saved_file} saved)
    foreach(pattern IN LISTS saved_patterns)
      if(NOT saved MATCHES "${pattern}")
        list(APPEND problems "unexpected ${saved_file}:\n${saved}")
      endif()
    endforeach()
  endif()
  set(reference ${EXAMPLES_DIR}/screenshots/${name}.png)
  set(diff_out "")
  if(NOT EXISTS ${shot})
    list(APPEND problems "no screenshot")
  elseif(DEFINED ENV{ZRV_UPDATE_REFERENCE})
    file(COPY_FILE ${shot} ${reference})
    message("wrote ${reference}")
  else()
    execute_process(COMMAND ${PICTURE_DIFF} ${shot} ${reference}
                    RESULT_VARIABLE diff_rc OUTPUT_VARIABLE diff_out)
    string(STRIP "${diff_out}" diff_out)
    if(NOT diff_rc EQUAL 0)
      list(APPEND problems "its last frame ${shot} is not ${reference}: ${diff_out}")
    endif()
  endif()
  if(problems)
    string(REPLACE ";" "; " problems "${problems}")
    set(failures "${failures}\n${name}: ${problems}\n  output: [${out}]\n  errors: [${err}]"
        PARENT_SCOPE)
  else()
    message("${name}: ok ${diff_out}")
  endif()
endfunction()

# The keyboard example plays the keys of sprites.keys; the seed fixes the
# score the high-score example rolls (third place in a fresh table).
run_example(sprites 144 --keys ${EXAMPLES_DIR}/sprites.keys)
run_example(painter 300)
run_example(sound 146)
run_example(hiscore 160 --seed 4)
run_example(pathfind 200)
run_example(breakout 160 --keys ${EXAMPLES_DIR}/breakout.keys)
if(failures)
  message(FATAL_ERROR "examples that failed:${failures}")
endif()
