# The reference rating server (native builds only, like the server).
if(TARGET morvane_ratings)
  morvane_test(server_tests
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/RatingServerTest.cpp
    LIBS morvane_ratings morvane_consult)
endif()
if(TARGET morvane_ratings)
  morvane_bench(consult_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench/ConsultBench.cpp
                LIBS morvane_ratings morvane_consult)
endif()
