tarnwick_test(window_layout_tests
  SOURCES LayoutTest.cpp
  LIBRARIES tarnwick::window_driver)
