# The services layer's conformance suite: the same tests run natively against
# the portable implementation and under Wine against the Windows API.
set(system_test_sources
  ${CMAKE_CURRENT_SOURCE_DIR}/RegistryTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/IniTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/IniTextTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/FilesTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/StringListTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/TextCodecTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/WideTextTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/ShortcutLinkTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/LnkFormatTest.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/support/Seed_${MORVANE_PLATFORM}.cpp)
morvane_test(system_tests SOURCES ${system_test_sources} LIBS morvane_system)
morvane_fuzz(lnk_fuzz SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/LnkFuzz.cpp LIBS morvane_system)
