# Windows builds with any MinGW-w64 GCC or Clang, cross (the toolchain file)
# or native (MSYS2): the C and C++ runtimes linked statically, so that the
# programs need only system DLLs, and the link options of programs with
# windows of their own.
if(NOT WIN32)
  function(pn_gui_program target)
  endfunction()
  return()
endif()

if(MINGW)
  add_link_options("$<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:-static>")
endif()

# A program with windows of its own (the updater, the demo's and the tests'
# helper programs): the GUI subsystem (no console) and wWinMain as its
# entry. Test executables stay console programs so that their output reaches
# CTest.
function(pn_gui_program target)
  set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON)
  if(MINGW)
    target_link_options(${target} PRIVATE -municode)
  endif()
endfunction()
