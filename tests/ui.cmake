# The main window's suites: Windows only, they drive real windows and
# controls (under Wine in a throw-away prefix).
if(WIN32)
  morvane_test(ui_tests
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/Unit1Test.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/EntryListTest.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/EntryListSortTest.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/LocationTreeTest.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/ListPaintTest.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/ListColumnsTest.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/ControlCallsTest.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/PublisherChecksTest.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/SplitterTest.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/PicturesTest.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/PlacementTest.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/ToolBarTest.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/ShowOnceDlgTest.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/DetailPageTest.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/MoreTasksMenuTest.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/splashTest.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/WatchModeTest.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/support/CoreFixture.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/support/CoreFixture_${MORVANE_PLATFORM}.cpp
    LIBS morvane_ui morvane_ui_res morvane_online)
  if(MSVC AND TARGET ui_tests)
    target_link_options(ui_tests PRIVATE /MANIFEST:NO)
  endif()
  # The about window's test reads the version resource of the program beside it.
  if(TARGET ui_tests)
    add_dependencies(ui_tests Morvane)
  endif()
  # The Publisher column's tests read the signed programs (tests/system.cmake).
  if(TARGET ui_tests AND TARGET signed_samples)
    add_dependencies(ui_tests signed_samples)
  endif()
  morvane_bench(list_paint_bench
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench/ListPaintBench.cpp
    LIBS morvane_ui morvane_ui_res)
  if(MSVC AND TARGET list_paint_bench)
    target_link_options(list_paint_bench PRIVATE /MANIFEST:NO)
  endif()
  morvane_bench(signature_bench
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench/SignatureBench.cpp
    LIBS morvane_ui morvane_ui_res)
  if(MSVC AND TARGET signature_bench)
    target_link_options(signature_bench PRIVATE /MANIFEST:NO)
  endif()
endif()

# The Consult command and the options window under Wine.
if(WIN32)
  morvane_test(consult_ui_tests
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ConsultUiTest.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/support/LoopbackServer.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/support/CoreFixture.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/support/CoreFixture_${MORVANE_PLATFORM}.cpp
    LIBS morvane_ui morvane_ui_res ws2_32)
  if(MSVC AND TARGET consult_ui_tests)
    target_link_options(consult_ui_tests PRIVATE /MANIFEST:NO)
  endif()
endif()
