# Shared part of the MinGW-w64 toolchains. The including file sets PALISOR_MINGW_TRIPLE (the
# compiler prefix) and PALISOR_WINE_ARCH (win32 or win64) first.
set(CMAKE_SYSTEM_NAME Windows)

# The POSIX thread model: the standard library's threads, mutexes and thread-safe statics need it.
set(CMAKE_C_COMPILER ${PALISOR_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PALISOR_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${PALISOR_MINGW_TRIPLE}-windres)
set(CMAKE_OBJDUMP ${PALISOR_MINGW_TRIPLE}-objdump CACHE FILEPATH "objdump of the target")

set(CMAKE_FIND_ROOT_PATH /usr/${PALISOR_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every program and library carries the compiler's runtime inside, so that it needs nothing but
# the system's own DLLs.
# They carry no time of linking, so that the same sources give the same bytes; a Release build
# leaves out the symbol tables, which only a debugger reads.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp")
set(CMAKE_SHARED_LINKER_FLAGS_INIT
    "-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp")
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
set(CMAKE_SHARED_LINKER_FLAGS_RELEASE_INIT "-s")

# Built programs (test discovery, ctest) run under Wine, in a prefix of the build's own.
set(CMAKE_CROSSCOMPILING_EMULATOR
    sh ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${PALISOR_WINE_ARCH} ${CMAKE_BINARY_DIR}/wineprefix)
