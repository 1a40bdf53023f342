tarnwick_test(window_layout_tests
  SOURCES LayoutTest.cpp WindowDriver.h
  LIBRARIES tarnwick::window tarnwick::qt_test_main Qt6::Test)
target_include_directories(window_layout_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/../inventory)
