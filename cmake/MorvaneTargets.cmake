# Helpers that every part of the tree uses to declare its tests, fuzz
# targets and benchmarks, so that scripts/test.sh can find them by place:
#   bin/*_tests[.exe]   GoogleTest suites
#   bin/fuzz/*          libFuzzer targets (MORVANE_FUZZ builds only)
#   bin/bench/*         benchmarks (built, run by scripts/bench.sh)

# morvane_test(<name>_tests SOURCES ... LIBS ...)
function(morvane_test name)
  if(NOT MORVANE_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} gtest gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  if(MINGW)
    set_target_properties(${name} PROPERTIES LINK_FLAGS "-mconsole")
  endif()
  add_test(NAME ${name} COMMAND ${name})
endfunction()

# morvane_fuzz(<name> SOURCES ... LIBS ...): built only in the fuzz build.
function(morvane_fuzz name)
  if(NOT MORVANE_FUZZ)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/fuzz)
endfunction()

# morvane_bench(<name> SOURCES ... LIBS ...): an ordinary program that prints
# its measurements; never part of the test run.
function(morvane_bench name)
  if(MORVANE_FUZZ)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/bench)
  # "benchmarks" builds them all and nothing else, for scripts/bench.sh.
  if(NOT TARGET benchmarks)
    add_custom_target(benchmarks)
  endif()
  add_dependencies(benchmarks ${name})
endfunction()
