# GoogleTest comes from Debian's source package (googletest) and is built
# with the project, natively and with the cross compiler alike. Where there
# are no such sources (MSYS2 on Windows), an installed GoogleTest is used.
if(NOT PN_BUILD_TESTS)
  return()
endif()

enable_testing()

set(PN_GOOGLETEST_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
if(EXISTS ${PN_GOOGLETEST_DIR}/CMakeLists.txt)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(${PN_GOOGLETEST_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
elseif(NOT CMAKE_CROSSCOMPILING)
  find_package(GTest REQUIRED)
else()
  message(FATAL_ERROR "GoogleTest sources not found in ${PN_GOOGLETEST_DIR} (apt-get install googletest)")
endif()
if(MINGW AND TARGET gtest)
  # The win32 thread model of GCC 12 has no std::mutex or
  # std::condition_variable, on which GoogleTest builds its Notification:
  # it gets one made of a Windows event instead.
  target_compile_definitions(gtest PUBLIC GTEST_HAS_NOTIFICATION_=1)
  target_compile_options(gtest PUBLIC
    "SHELL:-include ${PROJECT_SOURCE_DIR}/tests/support/gtest_notification_win32.h")
endif()

# pn_add_gtest(NAME name SOURCES ... [LIBS ...] [DEPENDS ...] [WINDOWS_ONLY])
# One executable, registered as one CTest test. In the Windows build CTest
# runs it under Wine (the toolchain's emulator), so one test per executable
# keeps the number of Wine starts small.
function(pn_add_gtest)
  cmake_parse_arguments(ARG "WINDOWS_ONLY" "NAME" "SOURCES;LIBS;DEPENDS" ${ARGN})
  if(ARG_WINDOWS_ONLY AND NOT WIN32)
    return()
  endif()
  add_executable(${ARG_NAME} ${ARG_SOURCES})
  target_link_libraries(${ARG_NAME} PRIVATE ${ARG_LIBS} GTest::gtest_main)
  if(ARG_DEPENDS)
    add_dependencies(${ARG_NAME} ${ARG_DEPENDS})
  endif()
  add_test(NAME ${ARG_NAME} COMMAND ${ARG_NAME})
  set_tests_properties(${ARG_NAME} PROPERTIES TIMEOUT 300)
endfunction()
