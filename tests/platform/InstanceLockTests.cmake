find_package(Qt6 REQUIRED COMPONENTS Test)
tarnwick_test(instance_lock_tests
  SOURCES InstanceLockTest.cpp
  LIBRARIES tarnwick::instance tarnwick::qt_test_main Qt6::Test)
target_compile_definitions(instance_lock_tests PRIVATE TARNWICK_PROGRAM="$<TARGET_FILE:tarnwick>")
add_dependencies(instance_lock_tests tarnwick)
