# The project's version is kept once, in the root CMakeLists.txt's project() call. The code reads
# it from a generated header (target palisor_version); the Windows binaries carry it in their
# version resources.
set(PALISOR_COPYRIGHT "Copyright (C) 2026 the Palisor authors")

configure_file(${CMAKE_CURRENT_LIST_DIR}/palisor_version.h.in
  ${PROJECT_BINARY_DIR}/generated/palisor_version.h @ONLY)
add_library(palisor_version INTERFACE)
target_include_directories(palisor_version INTERFACE ${PROJECT_BINARY_DIR}/generated)
