tarnwick_test(listview_utility_tests
  SOURCES IconProceduresTest.cpp ListProceduresTest.cpp
  LIBRARIES tarnwick::listutil tarnwick::qt_test_main)
