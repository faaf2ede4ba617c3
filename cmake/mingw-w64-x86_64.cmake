# Cross-compiles for 64-bit Windows with Debian's MinGW-w64, win32 thread
# model (the runtime's locks and once-flags are Windows' own, without
# winpthread). Only the compilers, where to find the Windows libraries and
# Wine as the emulator of the test executables are here; how the programs
# are linked (statically, so that they need only system DLLs) is in
# cmake/windows.cmake, for native builds too.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(PN_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PN_MINGW_PREFIX}-gcc-win32)
set(CMAKE_CXX_COMPILER ${PN_MINGW_PREFIX}-g++-win32)
set(CMAKE_RC_COMPILER ${PN_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run --test)
