# Cross-compiles for 64-bit Windows with MinGW-w64 (win32 thread model:
# the runtime's locks and once-flags are Windows' own, without winpthread),
# linking the C and C++ runtimes statically so the programs need only
# system DLLs. Test executables run under Wine through the emulator below.
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

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Windows GUI programs (the updater and the helper programs of the tests)
# take these link options; test executables stay console programs so that
# their output reaches CTest.
set(PN_WINDOWS_GUI_LINK_OPTIONS -municode -mwindows)

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
