# The catalogue's text and the matcher, portable code only.
morvane_test(catalogue_tests SOURCES CatalogueTest.cpp ProgramMatchTest.cpp LIBS morvane_catalogue)
if(TARGET catalogue_tests)
  # The recognition check reads the samples from the source tree (natively).
  target_compile_definitions(catalogue_tests PRIVATE
                             MORVANE_SAMPLES="${CMAKE_CURRENT_SOURCE_DIR}/data/startup-samples.tsv")
endif()
morvane_bench(catalogue_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench/CatalogueBench.cpp
              LIBS morvane_catalogue)
morvane_fuzz(catalogue_fuzz SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/CatalogueFuzz.cpp LIBS morvane_catalogue)
