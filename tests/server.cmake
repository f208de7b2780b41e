# The reference rating server: the library in the test's own process, and
# the program started beside the test (natively and, where the Windows
# build has the server's sources, under Wine).
if(TARGET morvane_ratings)
  morvane_test(server_tests
    SOURCES
      ${CMAKE_CURRENT_SOURCE_DIR}/RatingServerTest.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/RatingServerProgramTest.cpp
    LIBS morvane_ratings morvane_consult)
  if(TARGET server_tests)
    add_dependencies(server_tests morvane-ratings)
  endif()
endif()
if(TARGET morvane_ratings)
  morvane_bench(consult_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench/ConsultBench.cpp
                LIBS morvane_ratings morvane_consult)
endif()
