tarnwick_test(window_refresh_tests
  SOURCES RefreshTest.cpp WindowDriver.h
  LIBRARIES tarnwick::window tarnwick::qt_test_main Qt6::Test)
target_include_directories(window_refresh_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/../inventory)
