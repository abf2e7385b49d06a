# GoogleTest for the target, and how CTest runs the test programs.
#
# Natively GoogleTest comes from Debian's libgtest-dev; cross builds compile
# it from Debian's googletest sources for the target. Where the target's
# programs start slowly (VEXA_WHOLE_PROGRAM_TESTS: the 32-bit programs,
# emulated), each test program is one CTest test that runs all its cases
# in one process; elsewhere every case is a CTest test of its own.
enable_testing()

if(CMAKE_CROSSCOMPILING)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  if(VEXA_WHOLE_PROGRAM_TESTS)
    # GoogleTest's thread-safe build watches every thread that reports a
    # result with a thread of its own, which waits on the reporting thread's
    # handle; that wait fails for 32-bit programs under qemu-user, and the
    # program dies at its first skip or failure. Our tests use one thread.
    target_compile_definitions(gtest PUBLIC GTEST_IS_THREADSAFE=0)
    target_compile_options(gtest PRIVATE
      -include ${CMAKE_CURRENT_LIST_DIR}/../tests/support/gtest_single_thread.h)
  endif()
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

function(vexa_add_gtest target)
  target_link_libraries(${target} PRIVATE GTest::gtest GTest::gtest_main vexa_warnings)
  if(VEXA_WHOLE_PROGRAM_TESTS)
    add_test(NAME ${target} COMMAND ${target} --gtest_brief=0)
  else()
    gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120)
  endif()
endfunction()
