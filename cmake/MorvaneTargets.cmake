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

# morvane_program(<target> DESCRIPTION <text> [CONSOLE]): a program Morvane
# ships. On Windows it gets the version resource (and, for a console
# program, the console manifest; the window's manifest is in its own
# resource script), and a Release build keeps its debug information in
# <file>.debug beside it, linked by name, so that the shipped file holds none.
function(morvane_program target)
  cmake_parse_arguments(P "CONSOLE" "DESCRIPTION" "" ${ARGN})
  target_link_libraries(${target} PRIVATE morvane_product)
  if(NOT WIN32)
    return()
  endif()
  set(MORVANE_RC_NAME ${target})
  set(MORVANE_RC_FILE ${target}.exe)
  set(MORVANE_RC_DESCRIPTION "${P_DESCRIPTION}")
  if(P_CONSOLE)
    set(MORVANE_RC_MANIFEST
        "CREATEPROCESS_MANIFEST_RESOURCE_ID RT_MANIFEST \"${PROJECT_SOURCE_DIR}/cmake/templates/Console.manifest\"")
  else()
    set(MORVANE_RC_MANIFEST "")
  endif()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/templates/Version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS
    "${CMAKE_BINARY_DIR}/generated/Product.h;${PROJECT_SOURCE_DIR}/cmake/templates/Console.manifest")
  if(CMAKE_BUILD_TYPE STREQUAL "Release" AND CMAKE_OBJCOPY)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> $<TARGET_FILE:${target}>.debug
      COMMAND ${CMAKE_OBJCOPY} --strip-all $<TARGET_FILE:${target}>
      COMMAND ${CMAKE_COMMAND} -E chdir $<TARGET_FILE_DIR:${target}>
              ${CMAKE_OBJCOPY} --add-gnu-debuglink=$<TARGET_FILE_NAME:${target}>.debug
              $<TARGET_FILE_NAME:${target}>
      COMMENT "Keeping the debug information of ${target} beside it"
      VERBATIM)
  endif()
endfunction()
