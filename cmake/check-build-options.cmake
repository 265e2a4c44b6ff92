# Configures the project afresh and checks what its compile commands say:
#   CHECK=warnings-as-errors  -Werror is in no command by default, and in every command with
#                             PALISOR_WERROR=ON;
#   CHECK=every-source-built  every C and C++ source of the project's folders is compiled.
#
#   cmake -DSOURCE_DIR=<project> -DWORK_DIR=<scratch> -DCHECK=<check>
#         -DC_COMPILER=<cc> -DCXX_COMPILER=<c++> -P check-build-options.cmake
cmake_minimum_required(VERSION 3.19)

# The files compiled by the configuration made with the given options, and their commands.
function(configure_and_read name options)
  set(build ${WORK_DIR}/${name})
  file(REMOVE_RECURSE ${build})
  execute_process(
    COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${build} -DCMAKE_EXPORT_COMPILE_COMMANDS=ON
      -DCMAKE_C_COMPILER=${C_COMPILER} -DCMAKE_CXX_COMPILER=${CXX_COMPILER} ${options}
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "configuring ${name} failed:\n${output}")
  endif()
  file(READ ${build}/compile_commands.json json)
  string(JSON count LENGTH "${json}")
  math(EXPR last "${count} - 1")
  set(files)
  set(commands)
  foreach(index RANGE ${last})
    string(JSON file GET "${json}" ${index} file)
    string(JSON command GET "${json}" ${index} command)
    list(APPEND files ${file})
    # One list entry per command: no semicolons inside.
    string(REPLACE ";" "," command "${command}")
    list(APPEND commands "${command}")
  endforeach()
  set(${name}_files ${files} PARENT_SCOPE)
  set(${name}_output "${output}" PARENT_SCOPE)
  set(${name}_commands ${commands} PARENT_SCOPE)
endfunction()

if(CHECK STREQUAL "warnings-as-errors")
  configure_and_read(default "")
  foreach(command IN LISTS default_commands)
    if(command MATCHES "-Werror")
      message(FATAL_ERROR "a build without PALISOR_WERROR makes warnings errors:\n${command}")
    endif()
  endforeach()
  configure_and_read(werror "-DPALISOR_WERROR=ON")
  foreach(command IN LISTS werror_commands)
    if(NOT command MATCHES " -Werror( |$)" OR NOT command MATCHES " -Wall ")
      message(FATAL_ERROR "PALISOR_WERROR=ON leaves warnings not errors here:\n${command}")
    endif()
  endforeach()
elseif(CHECK STREQUAL "every-source-built")
  configure_and_read(sources "")
  # Everything but the scratch builds and what only optional or Windows builds compile.
  file(GLOB_RECURSE sources LIST_DIRECTORIES false RELATIVE ${SOURCE_DIR}
    ${SOURCE_DIR}/*.c ${SOURCE_DIR}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "^(build|bench|fuzz|examples|tests/windows)/|^\\.")
  # Sources named *_windows.cpp are the Windows side of a platform's choice.
  list(FILTER sources EXCLUDE REGEX "_windows\\.cpp$")
  # palisor-cli's preview is left out where its libraries are missing, and says so.
  if(sources_output MATCHES "--preview is left out")
    list(FILTER sources EXCLUDE REGEX "^preview/")
  endif()
  set(missing)
  foreach(source IN LISTS sources)
    if(NOT ${SOURCE_DIR}/${source} IN_LIST sources_files)
      list(APPEND missing ${source})
    endif()
  endforeach()
  if(missing)
    string(REPLACE ";" "\n  " missing "${missing}")
    message(FATAL_ERROR "sources that no target compiles (add them to their folder's list):\n"
                        "  ${missing}")
  endif()
else()
  message(FATAL_ERROR "unknown CHECK '${CHECK}'")
endif()
