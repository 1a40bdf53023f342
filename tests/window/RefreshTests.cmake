tarnwick_test(window_refresh_tests
  SOURCES RefreshTest.cpp
  LIBRARIES tarnwick::window_driver)
