find_package(Qt6 REQUIRED COMPONENTS Test)
tarnwick_test(listview_controls_tests
  SOURCES ListViewTest.cpp
  LIBRARIES tarnwick::listview tarnwick::qt_test_main Qt6::Test)
