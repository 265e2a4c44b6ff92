# The project's version is kept once, in the root CMakeLists.txt's project() call. The code reads
# it from a generated header (target palisor_version); the Windows binaries carry it in their
# version resources.
set(PALISOR_COPYRIGHT "Copyright (C) 2026 the Palisor authors")

configure_file(${CMAKE_CURRENT_LIST_DIR}/palisor_version.h.in
  ${PROJECT_BINARY_DIR}/generated/palisor_version.h @ONLY)
add_library(palisor_version INTERFACE)
if(WIN32)
  enable_language(RC)
endif()
target_include_directories(palisor_version INTERFACE ${PROJECT_BINARY_DIR}/generated)

# Gives a Windows program or DLL a version resource (file and product version, product name,
# description, copyright), which Windows shows in the file's properties:
#   palisor_add_version_resource(TARGET "What the file is")
function(palisor_add_version_resource target description)
  if(NOT WIN32)
    return()
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(PALISOR_RESOURCE_FILE_TYPE VFT_APP)
    set(suffix ${CMAKE_EXECUTABLE_SUFFIX})
    set(prefix "")
  else()
    set(PALISOR_RESOURCE_FILE_TYPE VFT_DLL)
    set(suffix ${CMAKE_SHARED_LIBRARY_SUFFIX})
    get_target_property(prefix ${target} PREFIX)
    if(NOT DEFINED prefix OR prefix STREQUAL "prefix-NOTFOUND")
      set(prefix ${CMAKE_SHARED_LIBRARY_PREFIX})
    endif()
  endif()
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  set(PALISOR_RESOURCE_INTERNAL_NAME ${name})
  set(PALISOR_RESOURCE_FILE_NAME ${prefix}${name}${suffix})
  set(PALISOR_RESOURCE_DESCRIPTION "${description}")
  set(resource ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version_resource.rc.in ${resource} @ONLY)
  target_sources(${target} PRIVATE ${resource})
endfunction()
