# kestralon_fuzz_target(<name> SOURCES ... LIBS ... [SEEDS <folder>])
# A fuzz target is a file that defines LLVMFuzzerTestOneInput. With clang and
# -DKESTRALON_LIBFUZZER=ON it becomes a libFuzzer executable <name>; in every native build it is
# also linked with a replay driver and registered with ctest as <name>_replay, which feeds it a
# bounded, seeded stream of random and mutated inputs, so the sanitizers watch it on every run.
# With SEEDS, the files of that folder (a seed corpus kept in the tree, one case a file) are also
# run once each by <name>_seeds; a libFuzzer build takes the folder as its corpus.
option(KESTRALON_LIBFUZZER "Build libFuzzer executables (needs clang)" OFF)
function(kestralon_fuzz_target name)
  if(WIN32)
    return()
  endif()
  cmake_parse_arguments(F "" "SEEDS" "SOURCES;LIBS" ${ARGN})
  add_executable(${name}_replay ${F_SOURCES} ${PROJECT_SOURCE_DIR}/tests/fuzz/replay_main.cpp)
  target_link_libraries(${name}_replay PRIVATE ${F_LIBS})
  add_test(NAME ${name}_replay COMMAND ${name}_replay 20000)
  set_tests_properties(${name}_replay PROPERTIES TIMEOUT 300)
  if(F_SEEDS)
    file(GLOB seeds CONFIGURE_DEPENDS ${F_SEEDS}/*)
    add_executable(${name}_seeds ${F_SOURCES} ${PROJECT_SOURCE_DIR}/tests/fuzz/seed_replay.cpp)
    target_link_libraries(${name}_seeds PRIVATE ${F_LIBS})
    add_test(NAME ${name}_seeds COMMAND ${name}_seeds ${seeds})
  endif()
  if(KESTRALON_LIBFUZZER)
    add_executable(${name} ${F_SOURCES})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE ${F_LIBS} -fsanitize=fuzzer)
  endif()
endfunction()
