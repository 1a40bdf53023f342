# tarnwick::desktop: the private temporary directory, ghost files and file-type icons for the list.
add_library(tarnwick_desktop STATIC DesktopIconServices.h DesktopServices.h)
if(WIN32)
  # The shell's icons and the user's own temporary directory.
  target_sources(tarnwick_desktop PRIVATE DesktopIconServicesWindows.cpp DesktopServicesWindows.cpp)
  target_link_libraries(tarnwick_desktop PRIVATE shell32 ole32)
else()
  target_sources(tarnwick_desktop PRIVATE DesktopIconServices.cpp DesktopServices.cpp)
  target_link_libraries(tarnwick_desktop PRIVATE tarnwick::privatedir)
endif()
add_library(tarnwick::desktop ALIAS tarnwick_desktop)
target_include_directories(tarnwick_desktop PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(tarnwick_desktop PUBLIC tarnwick::listutil Qt6::Widgets)
tarnwick_warnings(tarnwick_desktop)
