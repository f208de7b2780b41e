set(core_test_sources
  CommandLineTest.cpp
  ProgramSearchTest.cpp
  StartupEntryTest.cpp
  StartupListTest.cpp
  StartupLocationsTest.cpp
  StartupApprovedTest.cpp
  startupPlacesTest.cpp
  startupScanTest.cpp
  startupSignInTest.cpp
  startupApplyTest.cpp
  startupProfileTest.cpp
  startupKeepTest.cpp
  startupNamesTest.cpp
  startupTasksTest.cpp
  startupUnresolvedShortcutTest.cpp
  startupSignaturesTest.cpp
  startupWatchTest.cpp
  support/CoreFixture.cpp
  support/CoreFixture_${MORVANE_PLATFORM}.cpp
  support/Seed_${MORVANE_PLATFORM}.cpp)
morvane_test(core_tests SOURCES ${core_test_sources} LIBS morvane_core ${MORVANE_SEEDING})
# The XML export, read back with the project's own XML reader.
morvane_test(export_tests SOURCES startupExportTest.cpp support/CoreFixture.cpp
             support/CoreFixture_${MORVANE_PLATFORM}.cpp LIBS morvane_core morvane_online ${MORVANE_SEEDING})

# The packaged apps' startup tasks: manifests read natively, and under Wine
# the packages of a seeded repository.
morvane_test(packaged_apps_tests SOURCES PackagedAppsTest.cpp support/Seed_${MORVANE_PLATFORM}.cpp
             LIBS morvane_core ${MORVANE_SEEDING})

morvane_bench(startup_bench SOURCES bench/StartupBench.cpp support/CoreFixture.cpp
               support/CoreFixture_${MORVANE_PLATFORM}.cpp LIBS morvane_cli_output morvane_core gtest
               ${MORVANE_SEEDING})
if(TARGET startup_bench)
  target_include_directories(startup_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
endif()
morvane_fuzz(kept_values_fuzz SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/KeptValuesFuzz.cpp LIBS morvane_core)
morvane_fuzz(package_manifest_fuzz SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/PackageManifestFuzz.cpp
             LIBS morvane_core)
