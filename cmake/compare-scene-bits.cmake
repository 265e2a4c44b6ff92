# Runs the native build's scene program and compares its output with the one this build wrote.
#
#   cmake -DNATIVE_PROGRAM=<program> -DNATIVE_OUTPUT=<file> -DOUTPUT=<file> -P compare-scene-bits.cmake
cmake_minimum_required(VERSION 3.16)

if(NOT EXISTS ${NATIVE_PROGRAM})
  message(FATAL_ERROR "the native build has no ${NATIVE_PROGRAM}: build it first")
endif()
execute_process(COMMAND ${NATIVE_PROGRAM} ${NATIVE_OUTPUT} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${NATIVE_PROGRAM} failed: ${status}")
endif()

file(STRINGS ${OUTPUT} lines)
file(STRINGS ${NATIVE_OUTPUT} nativeLines)
list(LENGTH lines count)
list(LENGTH nativeLines nativeCount)
if(NOT count EQUAL nativeCount)
  message(FATAL_ERROR "${OUTPUT} has ${count} lines, ${NATIVE_OUTPUT} ${nativeCount}")
endif()
if(NOT lines STREQUAL nativeLines)
  # Name the first line that differs.
  math(EXPR last "${count} - 1")
  foreach(index RANGE ${last})
    list(GET lines ${index} line)
    list(GET nativeLines ${index} nativeLine)
    if(NOT line STREQUAL nativeLine)
      math(EXPR lineNumber "${index} + 1")
      message(FATAL_ERROR "the bits differ from the native build's at line ${lineNumber}:\n"
                          "  this build: ${line}\n  native:     ${nativeLine}")
    endif()
  endforeach()
endif()
message(STATUS "${count} lines of vertex bits equal the native build's")
