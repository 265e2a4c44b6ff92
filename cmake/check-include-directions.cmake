# Each folder of the project is one library, and may include the headers of only the folders it
# is built on: a header of any other project folder is a dependency in the wrong direction.
#   cmake -DSOURCE_DIR=<repository> -P check-include-directions.cmake
# Fails naming every such include. Tests, benchmarks and fuzzers may include anything.
cmake_minimum_required(VERSION 3.16)

# Folders that every folder may include: leaves that include nothing of the project's.
set(allowed_everywhere "geometry")
set(allowed_geometry "")

# folder: the folders (or single headers) it may include besides its own and those above.
set(allowed_parallel "")
set(allowed_search "parallel")
set(allowed_transfer "search;parallel")
set(allowed_surface_transfer "transfer;search;surface;parallel")
set(allowed_transfer_c "transfer;surface_transfer;search;surface;parallel")
set(allowed_host "")
set(allowed_widgets "host")
set(allowed_tool "host;widgets;search;transfer;parallel")
set(allowed_host_imitation "host")
set(allowed_surface "parallel")
set(allowed_scene "parallel")
set(allowed_preview "scene;parallel")
# The cli's scripted dialog user presses the buttons the plug-in's dialog labels.
set(allowed_cli "scene;preview;host_imitation;host;parallel;transfer;surface_transfer;search;tool/dialog_labels.h")
set(folders geometry parallel search transfer surface_transfer transfer_c surface host widgets tool host_imitation scene preview cli)

set(faults "")
foreach(folder IN LISTS folders)
  file(GLOB_RECURSE sources "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.c"
    "${SOURCE_DIR}/${folder}/*.cpp")
  foreach(source IN LISTS sources)
    file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+\"")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[^\"]*\"([^\"]+)\".*$" "\\1" header "${line}")
      string(FIND "${header}" "/" slash)
      if(slash LESS 0)
        continue()  # a header beside the source, or one the build generates
      endif()
      string(SUBSTRING "${header}" 0 ${slash} target)
      if(NOT target IN_LIST folders OR target STREQUAL folder)
        continue()
      endif()
      if(target IN_LIST allowed_everywhere)
        continue()
      endif()
      if(target IN_LIST allowed_${folder} OR header IN_LIST allowed_${folder})
        continue()
      endif()
      file(RELATIVE_PATH where "${SOURCE_DIR}" "${source}")
      string(APPEND faults "  ${where} includes ${header}: ${folder}/ may not use ${target}/\n")
    endforeach()
  endforeach()
endforeach()

if(faults)
  message(FATAL_ERROR "includes against the direction of the libraries:\n${faults}")
endif()
