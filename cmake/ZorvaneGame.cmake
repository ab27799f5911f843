# CMake helpers for games on the runtime, in the source tree and in the
# installed package alike.
#
# zrv_add_game(<name> SOURCES <file>... [MEDIA <folder>] [ONE_FILE <file>])
#   The game's program, linked with zorvane::runtime. The program runs in
#   its own folder, so the media folder is copied beside it under its own
#   name (MEDIA art gives <build>/art); relative names in the game then
#   find the files, wherever the program is started from. With MEDIA, the
#   one-file build is made too: the program with the media folder appended
#   as an archive, <name>-packed (<name>-packed.exe on Windows) beside the
#   program (or the ONE_FILE path), which runs from any folder on its own.
#
# zrv_append_archive(<target> <folder> [OUTPUT <file>])
#   The one-file build of any program on the runtime.
#
# For the web (an Emscripten build), zrv_add_game makes the game's page
# instead: <build>/<name>/ holds index.html, <name>.js, <name>.wasm and,
# with MEDIA, <name>.data, the media folder packed for the page's file
# system. Any static web server can serve the folder.

set(ZRV_WEB_PAGE ${CMAKE_CURRENT_LIST_DIR}/web-page.html CACHE INTERNAL "The page of a game built for the web")

function(zrv_append_archive target folder)
  cmake_parse_arguments(ARG "" "OUTPUT" "" ${ARGN})
  if(NOT ARG_OUTPUT)
    set(ARG_OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${target}-packed${CMAKE_EXECUTABLE_SUFFIX})
  endif()
  get_filename_component(folder ${folder} ABSOLUTE)
  file(GLOB_RECURSE media CONFIGURE_DEPENDS ${folder}/*)
  if(CMAKE_CROSSCOMPILING AND ZRV_HOST_PACKER)
    set(packer ${ZRV_HOST_PACKER})
  elseif(TARGET zrvpack)
    set(packer zrvpack)
  else()
    set(packer zorvane::zrvpack)
  endif()
  add_custom_command(OUTPUT ${ARG_OUTPUT}
    COMMAND ${packer} pack $<TARGET_FILE:${target}> ${folder} ${ARG_OUTPUT}
    DEPENDS ${target} ${packer} ${media}
    COMMENT "Appending ${folder} to ${ARG_OUTPUT}"
    VERBATIM)
  add_custom_target(${target}_packed ALL DEPENDS ${ARG_OUTPUT})
endfunction()

# The media folder beside the program, file by file: each copy depends on
# its file, so a changed picture is copied at the next build even when no
# source changed (a new file is found when the folder is globbed again).
function(zrv_copy_media name media)
  get_filename_component(media_name ${media} NAME)
  get_target_property(out_dir ${name} RUNTIME_OUTPUT_DIRECTORY)
  if(NOT out_dir)
    set(out_dir ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
  endif()
  if(NOT out_dir)
    set(out_dir ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  file(GLOB_RECURSE files CONFIGURE_DEPENDS RELATIVE ${media} ${media}/*)
  set(copies)
  foreach(file ${files})
    set(copy ${out_dir}/${media_name}/${file})
    add_custom_command(OUTPUT ${copy}
      COMMAND ${CMAKE_COMMAND} -E copy ${media}/${file} ${copy}
      DEPENDS ${media}/${file}
      VERBATIM)
    list(APPEND copies ${copy})
  endforeach()
  add_custom_target(${name}_media ALL DEPENDS ${copies} COMMENT "Copying ${media_name} beside ${name}")
  add_dependencies(${name} ${name}_media)
endfunction()

function(zrv_add_game name)
  cmake_parse_arguments(ARG "" "MEDIA;ONE_FILE" "SOURCES" ${ARGN})
  if(NOT ARG_SOURCES)
    message(FATAL_ERROR "zrv_add_game(${name}): no SOURCES")
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE zorvane::runtime)
  if(EMSCRIPTEN)
    zrv_web_page(${name} "${ARG_MEDIA}")
    return()
  endif()
  if(ARG_MEDIA)
    get_filename_component(media ${ARG_MEDIA} ABSOLUTE)
    zrv_copy_media(${name} ${media})
    if(ARG_ONE_FILE)
      zrv_append_archive(${name} ${media} OUTPUT ${ARG_ONE_FILE})
    else()
      zrv_append_archive(${name} ${media})
    endif()
  endif()
endfunction()

# The page of a game built for the web: the program in the page's folder
# /game, its media folder beside it, packed into <name>.data.
function(zrv_web_page name media)
  set(page_dir ${CMAKE_CURRENT_BINARY_DIR}/${name})
  set_target_properties(${name} PROPERTIES SUFFIX ".js" RUNTIME_OUTPUT_DIRECTORY ${page_dir})
  if(media)
    get_filename_component(media ${media} ABSOLUTE)
    get_filename_component(media_name ${media} NAME)
    file(GLOB_RECURSE media_files CONFIGURE_DEPENDS ${media}/*)
    target_link_options(${name} PRIVATE "SHELL:--preload-file ${media}@/game/${media_name}")
    set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS ${media_files})
  endif()
  file(READ ${ZRV_WEB_PAGE} page)
  string(REPLACE "@GAME@" "${name}" page "${page}")
  file(GENERATE OUTPUT ${page_dir}/index.html CONTENT "${page}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${ZRV_WEB_PAGE})
endfunction()
