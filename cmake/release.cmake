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

# Anyone can rebuild the release from the same commit with the same
# toolchain and get the same bytes, wherever the tree and the build sit:
# - file names the code keeps (the kit's event locations) are relative,
#   "./libs/..." for the sources and "./build/..." for generated ones (the
#   last map that matches wins, and the build folder may be in the tree);
# - archives get no time stamps, owners or modes;
# - the PE time stamp is SOURCE_DATE_EPOCH when it is set, otherwise the
#   time of the commit that is built, otherwise zero (outside git).
add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}=.>"
                    "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}=./build>")
foreach(lang C CXX)
  set(CMAKE_${lang}_ARCHIVE_CREATE "<CMAKE_AR> qcD <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_ARCHIVE_APPEND "<CMAKE_AR> qD <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_ARCHIVE_FINISH "<CMAKE_RANLIB> -D <TARGET>")
  # Makefiles hand a program's objects to the linker in an archive too.
  string(REPLACE "<CMAKE_AR> qc " "<CMAKE_AR> qcD " CMAKE_${lang}_LINK_EXECUTABLE
                 "${CMAKE_${lang}_LINK_EXECUTABLE}")
endforeach()

if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(PN_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
  set(epoch_origin "SOURCE_DATE_EPOCH")
else()
  execute_process(COMMAND git log -1 --format=%ct
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    OUTPUT_VARIABLE PN_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET
    RESULT_VARIABLE git_status)
  set(epoch_origin "the commit")
  if(NOT git_status EQUAL 0)
    set(PN_SOURCE_DATE_EPOCH "")
  endif()
  # A new commit changes the time stamp: configure again when HEAD moves.
  execute_process(COMMAND git rev-parse --path-format=absolute --git-path logs/HEAD
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    OUTPUT_VARIABLE head_log OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(head_log AND EXISTS "${head_log}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${head_log}")
  endif()
endif()
if(NOT PN_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
  if(NOT PN_SOURCE_DATE_EPOCH STREQUAL "")
    message(FATAL_ERROR "SOURCE_DATE_EPOCH is not a number of seconds: ${PN_SOURCE_DATE_EPOCH}")
  endif()
  set(PN_SOURCE_DATE_EPOCH 0)
  set(epoch_origin "no commit")
endif()
message(STATUS "PE time stamp ${PN_SOURCE_DATE_EPOCH} (from ${epoch_origin})")

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
  # ld writes SOURCE_DATE_EPOCH as the PE time stamp, and the checksum over
  # the resulting bytes.
  set_target_properties(${target} PROPERTIES
    CXX_LINKER_LAUNCHER "${CMAKE_COMMAND};-E;env;SOURCE_DATE_EPOCH=${PN_SOURCE_DATE_EPOCH}")
endfunction()

# The shipped program: the build prints its SHA-256 (sha256sum's format),
# and a test checks its size, its runtime, its terminate handler,
# libstdc++'s error helpers and that it names no folder of this machine.
function(pn_check_release_build target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E sha256sum $<TARGET_FILE_NAME:${target}>
    WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}> VERBATIM)
  set(map "${CMAKE_BINARY_DIR}/${target}.map")
  if(PN_BUILD_TESTS)
    add_test(NAME ${target}_release_build
      COMMAND ${CMAKE_COMMAND} -DEXE=$<TARGET_FILE:${target}> -DMAP=${map}
              -DLIMIT=${PN_RELEASE_SIZE_LIMIT} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
              -DBINARY_DIR=${CMAKE_BINARY_DIR} -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/check-release.cmake)
  endif()
endfunction()
