# GoogleTest compiled from its source with the project's compiler, for builds that cannot use the
# system's prebuilt libraries (cross compilation). Provides GTest::gtest and GTest::gtest_main.
set(PALISOR_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest's source tree")
if(NOT EXISTS ${PALISOR_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest's source is missing from ${PALISOR_GOOGLETEST_SOURCE_DIR} "
                      "(Debian package googletest)")
endif()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${PALISOR_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
add_library(GTest::gtest ALIAS gtest)
add_library(GTest::gtest_main ALIAS gtest_main)
