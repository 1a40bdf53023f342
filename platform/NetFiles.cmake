# tarnwick::netfiles: the open-file source, one implementation per operating system.
if(WIN32)
  # netapi32 with UTF-16 texts; the logon session supplies the credentials.
  add_library(tarnwick_netfiles STATIC NetApi32Calls.h NetApiOpenFileSourceWindows.cpp NetApiStatusWindows.cpp NetApiStatus.cpp
    ServerSourceWindows.cpp)
  target_link_libraries(tarnwick_netfiles PUBLIC tarnwick::inventory tarnwick::login PRIVATE netapi32)
else()
  # The project's own SMB2 client, and Samba's libnetapi behind it, with the logins they try:
  # a Kerberos ticket, the desktop keyring (libsecret), Samba's environment variables, a typed
  # login. Samba's credentials header compiles only as C, so its credentials live in a small C
  # file.
  enable_language(C)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(NETAPI REQUIRED IMPORTED_TARGET netapi)
  pkg_check_modules(SAMBA_CREDENTIALS REQUIRED IMPORTED_TARGET samba-credentials samba-hostconfig talloc)
  pkg_check_modules(LIBSECRET REQUIRED IMPORTED_TARGET libsecret-1)

  add_library(tarnwick_netfiles STATIC
    ServerSourceLinux.cpp
    SmbOpenFileSource.cpp
    EnvironmentLogin.cpp
    NetApiOpenFileSource.cpp
    NetApiStatusLinux.cpp
    NetApiStatus.cpp
    KeyringLogins.cpp
    SambaCredentials.c)
  target_link_libraries(tarnwick_netfiles
    PUBLIC tarnwick::inventory tarnwick::login
    PRIVATE tarnwick::smb_srvsvc PkgConfig::NETAPI PkgConfig::SAMBA_CREDENTIALS PkgConfig::LIBSECRET)
endif()
add_library(tarnwick::netfiles ALIAS tarnwick_netfiles)
target_include_directories(tarnwick_netfiles PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
tarnwick_warnings(tarnwick_netfiles)
