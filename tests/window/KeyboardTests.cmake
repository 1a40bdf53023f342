tarnwick_test(window_keyboard_tests
  SOURCES KeyboardTest.cpp
  LIBRARIES tarnwick::window_driver)
