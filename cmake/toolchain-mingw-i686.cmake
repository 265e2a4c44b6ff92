# 32-bit Windows, the plug-in's real target: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake
set(CMAKE_SYSTEM_PROCESSOR i686)
set(PALISOR_MINGW_TRIPLE i686-w64-mingw32)
set(PALISOR_WINE_ARCH win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
