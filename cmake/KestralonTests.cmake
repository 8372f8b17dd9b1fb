# kestralon_unit_test(<name> SOURCES ... LIBS ...)
# A GoogleTest executable registered with ctest. In the Windows build ctest runs it through Wine
# (CMAKE_CROSSCOMPILING_EMULATOR); in the native build it runs under the sanitizers.
function(kestralon_unit_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  if(WIN32)
    target_link_libraries(${name} PRIVATE ${T_LIBS} gtest gtest_main)
  else()
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  endif()
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 300
    ENVIRONMENT "KESTRALON_TEST_OUTPUT=${KESTRALON_TEST_OUTPUT}")
endfunction()
