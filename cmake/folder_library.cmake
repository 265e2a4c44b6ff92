# One folder, one library: the plug-in's folders each build an OBJECT library of their own, and
# the plug-in DLL and the static core that tests link are assembled from their objects.
#   palisor_folder_library(TARGET source.cpp...)
# The library sees the project's headers from the root and hides its symbols; which folders it may
# use is said by its target_link_libraries, in one direction only:
#   parallel <- search, surface <- transfer <- tool, host <- widgets <- tool.
# Under them all lies geometry (headers only: three floats and their arithmetic), which uses
# nothing.
function(palisor_folder_library target)
  add_library(${target} OBJECT ${ARGN})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${target} PRIVATE palisor_warnings)
  target_compile_options(${target} PRIVATE -fvisibility=hidden -fvisibility-inlines-hidden)
endfunction()
