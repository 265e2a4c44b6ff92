# Checks that the plug-in's folders include each other's headers only in the direction their
# libraries link (see cmake/folder_library.cmake):
#   parallel <- search <- transfer <- tool, host <- widgets <- tool.
#
#   cmake -DSOURCE_DIR=<project> -P check-layering.cmake
cmake_minimum_required(VERSION 3.16)

# Each folder with the folders it may use, itself included.
set(allowed_parallel parallel)
set(allowed_search search parallel)
set(allowed_transfer transfer search parallel)
set(allowed_host host)
set(allowed_widgets widgets host)
set(allowed_tool tool transfer search parallel widgets host)
set(folders parallel search transfer host widgets tool)

set(violations)
foreach(folder IN LISTS folders)
  file(GLOB files ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
  foreach(file IN LISTS files)
    file(STRINGS ${file} includes REGEX "^#include \"[a-z_]+/")
    foreach(include IN LISTS includes)
      string(REGEX REPLACE "^#include \"([a-z_]+)/.*" "\\1" used "${include}")
      if(used IN_LIST folders AND NOT used IN_LIST allowed_${folder})
        file(RELATIVE_PATH name ${SOURCE_DIR} ${file})
        list(APPEND violations "${name}: ${include}")
      endif()
    endforeach()
  endforeach()
endforeach()
if(violations)
  string(REPLACE ";" "\n  " violations "${violations}")
  message(FATAL_ERROR "headers used against the direction of the folders' libraries:\n"
                      "  ${violations}")
endif()
message(STATUS "every folder uses only the folders below it")
