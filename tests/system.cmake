# The seeding of the portable fakes (the test side of the in-memory registry,
# shell folders and file services); on Windows the suites seed the system
# itself and this stays empty.
set(MORVANE_SEEDING)
if(MORVANE_PLATFORM STREQUAL "portable" AND NOT MORVANE_FUZZ)
  add_library(morvane_seeding STATIC ${CMAKE_CURRENT_SOURCE_DIR}/support/PortableRegistry.cpp
                                     ${CMAKE_CURRENT_SOURCE_DIR}/support/PortableHost.cpp)
  target_link_libraries(morvane_seeding PUBLIC morvane_system)
  target_include_directories(morvane_seeding PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  set(MORVANE_SEEDING morvane_seeding)
endif()

# The services layer's conformance suite: the same tests run natively against
# the portable implementation and under Wine against the Windows API.
set(system_test_sources
  ${CMAKE_CURRENT_SOURCE_DIR}/RegistryTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/RegistryOpenTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/IniTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/IniTextTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/FilesTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/StringListTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/AsciiCaseTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/UniqueAnyTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/TextCodecTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/WideTextTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/ShortcutLinkTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/LnkFormatTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/support/Seed_${MORVANE_PLATFORM}.cpp)
morvane_test(system_tests SOURCES ${system_test_sources} LIBS morvane_system ${MORVANE_SEEDING})
morvane_fuzz(lnk_fuzz SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/LnkFuzz.cpp LIBS morvane_system)
