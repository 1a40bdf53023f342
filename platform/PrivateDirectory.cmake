# tarnwick::privatedir: the user's private temporary and runtime directories (Linux).
add_library(tarnwick_privatedir STATIC PrivateDirectory.h PrivateDirectoryLinux.cpp)
add_library(tarnwick::privatedir ALIAS tarnwick_privatedir)
target_include_directories(tarnwick_privatedir PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(tarnwick_privatedir PUBLIC Qt6::Core)
tarnwick_warnings(tarnwick_privatedir)
