# cmake -DEXE=path.exe -DMAP=path.map -DLIMIT=bytes -P check-release.cmake
#
# Fails when the shipped program has grown past LIMIT, depends on a DLL of
# the MinGW runtime (it must link its runtime statically), or has pulled in
# libstdc++'s verbose terminate handler and with it the demangler, the
# library's throwing helpers, or winpthread.
file(SIZE "${EXE}" size)
if(size GREATER LIMIT)
  message(FATAL_ERROR "${EXE} has ${size} bytes, more than ${LIMIT}: see ${MAP}")
endif()
file(STRINGS "${EXE}" runtime_dlls REGEX "(libstdc\\+\\+|libgcc_s|libwinpthread)[-_a-z0-9]*\\.dll")
if(runtime_dlls)
  message(FATAL_ERROR "${EXE} needs runtime DLLs: ${runtime_dlls}")
endif()
file(STRINGS "${MAP}" demangler REGEX "\\((vterminate|cp-demangle)\\.o\\)")
if(demangler)
  list(GET demangler 0 first)
  message(FATAL_ERROR "${EXE} links the verbose terminate handler: ${first}")
endif()
# fatal_exit.cc defines libstdc++'s throwing helpers; the library's own
# (functexcept.o) bring in every standard exception class and the old
# string; winpthread comes with the posix thread model of the toolchain.
file(STRINGS "${MAP}" heavy REGEX "\\((functexcept|cow-stdexcept)\\.o\\)|libwinpthread")
if(heavy)
  list(GET heavy 0 first)
  message(FATAL_ERROR "${EXE} links libstdc++'s throwing helpers or winpthread: ${first}")
endif()
message(STATUS "${EXE}: ${size} bytes, at most ${LIMIT}")
