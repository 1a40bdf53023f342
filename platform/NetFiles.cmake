# tarnwick::netfiles: the open-file source over Samba's libnetapi, with the logins it tries: a
# Kerberos ticket, the desktop keyring (libsecret), Samba's environment variables, a typed
# login. Samba's credentials header compiles only as C, so the credentials live in a small C
# file.
enable_language(C)
find_package(PkgConfig REQUIRED)
pkg_check_modules(NETAPI REQUIRED IMPORTED_TARGET netapi)
pkg_check_modules(SAMBA_CREDENTIALS REQUIRED IMPORTED_TARGET samba-credentials samba-hostconfig talloc)
pkg_check_modules(LIBSECRET REQUIRED IMPORTED_TARGET libsecret-1)

add_library(tarnwick_netfiles STATIC
  NetApiOpenFileSource.cpp
  KeyringLogins.cpp
  SmbReachabilityLinux.cpp
  SambaCredentials.c)
add_library(tarnwick::netfiles ALIAS tarnwick_netfiles)
target_include_directories(tarnwick_netfiles PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(tarnwick_netfiles
  PUBLIC tarnwick::inventory
  PRIVATE PkgConfig::NETAPI PkgConfig::SAMBA_CREDENTIALS PkgConfig::LIBSECRET)
tarnwick_warnings(tarnwick_netfiles)
