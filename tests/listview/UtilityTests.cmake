tarnwick_test(listview_utility_tests
  SOURCES RecordingIconServices.h ImageListTest.cpp IconProceduresTest.cpp ListProceduresTest.cpp
  LIBRARIES tarnwick::listutil tarnwick::qt_test_main)
