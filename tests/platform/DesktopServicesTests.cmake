tarnwick_test(platform_desktop_tests
  SOURCES DesktopIconServicesTest.cpp
  LIBRARIES tarnwick::desktop tarnwick::privatedir tarnwick::qt_test_main)
