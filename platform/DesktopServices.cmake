# tarnwick::desktop: the private temporary directory, ghost files and file-type icons for the list.
add_library(tarnwick_desktop STATIC
  DesktopIconServices.h DesktopServices.h
  DesktopIconServices.cpp DesktopServices.cpp)
add_library(tarnwick::desktop ALIAS tarnwick_desktop)
target_include_directories(tarnwick_desktop PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(tarnwick_desktop PUBLIC tarnwick::listutil Qt6::Widgets PRIVATE tarnwick::privatedir)
tarnwick_warnings(tarnwick_desktop)
