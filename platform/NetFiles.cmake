# tarnwick::netfiles: the open-file source over Samba's libnetapi. Samba's credentials header
# compiles only as C, so the credential guess lives in a small C file.
enable_language(C)
find_package(PkgConfig REQUIRED)
pkg_check_modules(NETAPI REQUIRED IMPORTED_TARGET netapi)
pkg_check_modules(SAMBA_CREDENTIALS REQUIRED IMPORTED_TARGET samba-credentials samba-hostconfig)

add_library(tarnwick_netfiles STATIC
  NetApiOpenFileSource.cpp
  SambaCredentials.c)
add_library(tarnwick::netfiles ALIAS tarnwick_netfiles)
target_include_directories(tarnwick_netfiles PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(tarnwick_netfiles
  PUBLIC tarnwick::inventory
  PRIVATE PkgConfig::NETAPI PkgConfig::SAMBA_CREDENTIALS)
tarnwick_warnings(tarnwick_netfiles)
