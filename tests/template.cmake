# The template engine: unit tests, fuzz target and benchmark.
morvane_test(template_tests
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/HashesTest.cpp ${CMAKE_CURRENT_SOURCE_DIR}/TemplatePowerTest.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/HtmlTextTest.cpp
  LIBS morvane_template)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # GCC 12 warns falsely inside <regex>, which the tests use as a reference.
  set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/TemplatePowerTest.cpp
    PROPERTIES COMPILE_OPTIONS -Wno-maybe-uninitialized)
endif()

morvane_fuzz(template_fuzz
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/TemplateFuzz.cpp
  LIBS morvane_template)

morvane_bench(template_bench
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench/TemplateBench.cpp
  LIBS morvane_template)
