# Helpers of the package tests (tests/package/*.sh), which drive the
# installed and the unpacked programs from outside: a click on the list's
# first row, and the start-up benchmark with its bare reference window.
if(WIN32 AND MORVANE_TESTS)
  add_executable(click-first-row ${CMAKE_CURRENT_SOURCE_DIR}/package/ClickFirstRow.cpp)
  set_target_properties(click-first-row PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/tools)
  target_link_libraries(click-first-row PRIVATE user32)
  add_executable(bare-list-window WIN32 ${CMAKE_CURRENT_SOURCE_DIR}/package/BareListWindow.cpp)
  set_target_properties(bare-list-window PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/tools)
  target_link_libraries(bare-list-window PRIVATE comctl32 user32)
  if(MINGW)
    target_link_options(bare-list-window PRIVATE -mwindows)
  endif()
  morvane_bench(start_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/package/StartBench.cpp)
  if(MINGW)
    set_target_properties(start_bench PROPERTIES LINK_FLAGS "-mconsole")
  endif()
endif()
