# cmake -DEXE=path.exe -DMAP=path.map -DLIMIT=bytes -DSOURCE_DIR=tree
#       -DBINARY_DIR=build -P check-release.cmake
#
# Fails when the shipped program has grown past LIMIT, depends on a DLL of
# the MinGW runtime (it must link its runtime statically), has pulled in
# libstdc++'s verbose terminate handler and with it the demangler, the
# library's throwing helpers, or winpthread, or holds the path of the tree
# or of the build folder it was built in (then it is neither the same bytes
# from another folder nor free of the build machine's folder names).
foreach(var EXE MAP LIMIT SOURCE_DIR BINARY_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "check-release: ${var} is not set")
  endif()
endforeach()
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
foreach(encoding UTF-8 UTF-16LE)
  file(STRINGS "${EXE}" texts ENCODING ${encoding})
  string(JOIN "\n" texts ${texts})
  foreach(dir IN ITEMS "${SOURCE_DIR}" "${BINARY_DIR}")
    string(FIND "${texts}" "${dir}/" at)
    if(NOT at EQUAL -1)
      string(SUBSTRING "${texts}" ${at} 200 path)
      string(REGEX REPLACE "[\n;].*" "" path "${path}")
      message(FATAL_ERROR "${EXE} holds a path of the build machine (${encoding}): ${path}")
    endif()
  endforeach()
endforeach()
message(STATUS "${EXE}: ${size} bytes, at most ${LIMIT}")
