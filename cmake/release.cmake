# The Windows build is the product as it ships, and the tests run against
# it: optimised for size (the preset's MinSizeRel), the C and C++ runtimes
# linked statically (the toolchain file), unused sections dropped, symbols
# stripped, and PARLEYNEST-Updater.exe linked with link-time optimisation.
#
# GCC 12 crashes doing LTO on the links of the test programs. The product's
# code is therefore compiled with -ffat-lto-objects: its objects carry LTO
# bytecode for the updater's own link and ordinary code for every other
# program that links the same libraries without LTO.

if(NOT (WIN32 AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU"))
  # Other toolchains take their own release flags as they are.
  function(pn_begin_product_code)
  endfunction()
  function(pn_end_product_code)
  endfunction()
  function(pn_release_executable target)
  endfunction()
  function(pn_check_release_build target)
  endfunction()
  return()
endif()

option(PN_LTO "Link PARLEYNEST-Updater.exe with link-time optimisation" ON)
set(PN_LTO_COMPILE_OPTIONS -flto -ffat-lto-objects)

add_compile_options(-ffunction-sections -fdata-sections)
add_link_options(-Wl,--gc-sections -s)

# Targets made between these two calls (the libraries and the updater) are
# compiled for the updater's LTO link; the tests and their helper programs,
# made afterwards, are not.
function(pn_begin_product_code)
  if(PN_LTO)
    set_property(DIRECTORY APPEND PROPERTY COMPILE_OPTIONS ${PN_LTO_COMPILE_OPTIONS})
  endif()
endfunction()

function(pn_end_product_code)
  get_property(options DIRECTORY PROPERTY COMPILE_OPTIONS)
  list(REMOVE_ITEM options ${PN_LTO_COMPILE_OPTIONS})
  set_property(DIRECTORY PROPERTY COMPILE_OPTIONS ${options})
endfunction()

# At most 180 KiB for the updater with its windows, pictures and icon.
set(PN_RELEASE_SIZE_LIMIT 184320)

# A program built as the updater is: linked with LTO, and a link map
# written to <build>/<target>.map, which scripts/bench.sh reads to show
# where the bytes go.
#
# One LTO partition: split into several, GCC 12 for Windows crashes in
# binds_to_current_def_p on symbols that sit in another partition.
function(pn_release_executable target)
  if(PN_LTO)
    target_link_options(${target} PRIVATE -flto -flto-partition=one)
  endif()
  target_link_options(${target} PRIVATE "-Wl,-Map=${CMAKE_BINARY_DIR}/${target}.map")
endfunction()

# A test of the shipped program: its size, its runtime, its terminate
# handler and libstdc++'s error helpers.
function(pn_check_release_build target)
  set(map "${CMAKE_BINARY_DIR}/${target}.map")
  if(PN_BUILD_TESTS)
    add_test(NAME ${target}_release_build
      COMMAND ${CMAKE_COMMAND} -DEXE=$<TARGET_FILE:${target}> -DMAP=${map}
              -DLIMIT=${PN_RELEASE_SIZE_LIMIT} -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/check-release.cmake)
  endif()
endfunction()
