tarnwick_test(single_instance_tests
  SOURCES SingleInstanceTest.cpp
  LIBRARIES tarnwick::instance tarnwick::qt_test_main)
target_compile_definitions(single_instance_tests PRIVATE TARNWICK_PROGRAM="$<TARGET_FILE:tarnwick>")
add_dependencies(single_instance_tests tarnwick)
