# Script mode: install the runtime, write README.md's first game into a
# folder with a picture as media/ship.png, build it and run it.
file(REMOVE_RECURSE ${WORK_DIR})
include(${CMAKE_CURRENT_LIST_DIR}/../run_step.cmake)
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix)
run(${PYTHON} ${SOURCE_DIR}/tools/readme_snippets.py ${SOURCE_DIR}/README.md ${WORK_DIR}/game)
file(COPY ${SOURCE_DIR}/assets/Media/gun.png DESTINATION ${WORK_DIR}/game/media)
file(RENAME ${WORK_DIR}/game/media/gun.png ${WORK_DIR}/game/media/ship.png)
run(${CMAKE_COMMAND} -S ${WORK_DIR}/game -B ${WORK_DIR}/game/build
    -DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_C_COMPILER=${CC}
    "-DCMAKE_CXX_FLAGS=${EXTRA_CXX_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${EXTRA_LINK_FLAGS}")
run(${CMAKE_COMMAND} --build ${WORK_DIR}/game/build)
# From another folder: the game finds media/ beside its program.
execute_process(COMMAND ${WORK_DIR}/game/build/mygame --headless --frames 30
                WORKING_DIRECTORY ${WORK_DIR} RESULT_VARIABLE rc OUTPUT_VARIABLE out
                ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT out STREQUAL "exit\n")
  message(FATAL_ERROR "the README's game: status ${rc}, output [${out}]\n${err}")
endif()
