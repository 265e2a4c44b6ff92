# Writes the example program of a header's top comment, the lines between " * @code" and
# " * @endcode", to a C file of its own, so that the build compiles the example as the header
# shows it:
#   cmake -DHEADER=<header> -DOUTPUT=<file.c> -P extract-header-example.cmake
cmake_minimum_required(VERSION 3.16)

file(READ "${HEADER}" text)
set(opening " * @code\n")
string(FIND "${text}" "${opening}" begin)
string(FIND "${text}" " * @endcode\n" end)
if(begin LESS 0 OR end LESS begin)
  message(FATAL_ERROR "${HEADER} has no example between \" * @code\" and \" * @endcode\"")
endif()
string(LENGTH "${opening}" openingLength)
math(EXPR begin "${begin} + ${openingLength}")
math(EXPR length "${end} - ${begin}")
string(SUBSTRING "${text}" ${begin} ${length} example)
# Every line begins with the comment's " * ", or " *" where it is empty.
string(REGEX REPLACE "(^|\n) \\* ?" "\\1" example "${example}")
get_filename_component(headerName "${HEADER}" NAME)
file(WRITE "${OUTPUT}" "/* The example of ${headerName}, taken from it by the build. */\n${example}")
