# The program: start-up, the real platform adapters and the program file's icon and version.
add_library(tarnwick_startup STATIC principale.h principale.cpp)
add_library(tarnwick::startup ALIAS tarnwick_startup)
target_include_directories(tarnwick_startup PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(tarnwick_startup PUBLIC tarnwick::window tarnwick::netfiles tarnwick::instance)
tarnwick_warnings(tarnwick_startup)

add_executable(tarnwick WIN32 main.cpp)
target_link_libraries(tarnwick PRIVATE tarnwick::startup tarnwick::desktop)
tarnwick_warnings(tarnwick)
if(WIN32)
  configure_file(art/tarnwick.rc.in ${CMAKE_CURRENT_BINARY_DIR}/tarnwick.rc @ONLY)
  target_sources(tarnwick PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/tarnwick.rc)
endif()

include(GNUInstallDirs)
install(TARGETS tarnwick)
install(FILES art/tarnwick.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES art/tarnwick.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps)
