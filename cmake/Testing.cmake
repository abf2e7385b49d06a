# GoogleTest for the target, and how CTest runs the test programs.
#
# Natively GoogleTest comes from Debian's libgtest-dev; cross builds compile
# it from Debian's googletest sources for the target. A cross build whose
# programs cannot run here (no CMAKE_CROSSCOMPILING_EMULATOR) still builds
# them, and CTest reports each as skipped.
enable_testing()

if(CMAKE_CROSSCOMPILING)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

function(vexa_add_gtest target)
  target_link_libraries(${target} PRIVATE GTest::gtest GTest::gtest_main vexa_warnings)
  if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
    add_test(NAME ${target}
      COMMAND sh -c "echo '${target}: built for ${CMAKE_SYSTEM_PROCESSOR} Windows, which cannot run on this machine'; exit 77")
    set_tests_properties(${target} PROPERTIES SKIP_RETURN_CODE 77)
  else()
    gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120)
  endif()
endfunction()
