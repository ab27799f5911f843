# Script mode. Runs three programs headless for a few frames and compares
# how many files each failed to load ("error: 3" lines):
#   the plain build with Media beside it, the packed program alone in an
#   empty folder (fails exactly once more: entering the missing "Media"
#   folder; every file still loads from the archive), and the plain program alone in an
#   empty folder (must fail more often: proves the files came from inside).
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/packed ${WORK}/alone ${WORK}/tmp)
file(COPY ${PACKED} DESTINATION ${WORK}/packed)
file(COPY ${PLAIN} DESTINATION ${WORK}/alone)
get_filename_component(plain_name ${PLAIN} NAME)

function(count_load_errors program out_var)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env TMPDIR=${WORK}/tmp
      ${program} --headless --frames 30 --seed 1
    WORKING_DIRECTORY ${WORK}/tmp
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${program} failed (${rc}):\n${out}\n${err}")
  endif()
  if(NOT out MATCHES "exit\n$")
    message(FATAL_ERROR "${program} did not end with exit:\n${out}")
  endif()
  string(REGEX MATCHALL "error: 3\n" errors "${out}")
  list(LENGTH errors n)
  set(${out_var} ${n} PARENT_SCOPE)
endfunction()

count_load_errors(${PLAIN} with_media)
count_load_errors(${WORK}/packed/reedfire packed)
count_load_errors(${WORK}/alone/${plain_name} alone)
message(STATUS "load errors: with Media ${with_media}, packed ${packed}, alone ${alone}")
math(EXPR expected "${with_media} + 1")
if(NOT packed EQUAL expected)
  message(FATAL_ERROR "packed program failed ${packed} loads, plain with Media ${with_media}")
endif()
if(NOT alone GREATER packed)
  message(FATAL_ERROR "the program alone found its files without the archive?")
endif()
