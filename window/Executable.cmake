# The program: start-up, the real platform adapters and the program file's icon and version.
add_library(tarnwick_startup STATIC principale.h principale.cpp)
add_library(tarnwick::startup ALIAS tarnwick_startup)
target_include_directories(tarnwick_startup PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(tarnwick_startup PUBLIC tarnwick::window tarnwick::netfiles tarnwick::instance)
tarnwick_warnings(tarnwick_startup)

add_executable(tarnwick WIN32 main.cpp)
target_link_libraries(tarnwick PRIVATE tarnwick::startup tarnwick::desktop)
target_compile_definitions(tarnwick PRIVATE TARNWICK_VERSION="${PROJECT_VERSION}")
tarnwick_warnings(tarnwick)
if(WIN32)
  # The version record's texts write major.minor with two digits for the minor: 1.00.
  string(REGEX REPLACE "^([0-9])$" "0\\1" version_minor_text ${PROJECT_VERSION_MINOR})
  set(TARNWICK_VERSION_TEXT "${PROJECT_VERSION_MAJOR}.${version_minor_text}")
  configure_file(art/tarnwick.rc.in ${CMAKE_CURRENT_BINARY_DIR}/tarnwick.rc @ONLY)
  target_sources(tarnwick PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/tarnwick.rc)
endif()

include(GNUInstallDirs)
install(TARGETS tarnwick)
