# Tests built for Windows run here under Wine: GoogleTest compiled from Debian's sources by the
# cross compiler, and each test executable started by scripts/lib/wine-run with the Wine prefix
# of this build, Qt's libraries and the mingw run time on its DLL path.
set(TARNWICK_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources to build for the target")
set(INSTALL_GTEST OFF)
add_subdirectory(${TARNWICK_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

get_filename_component(qt_bin "${Qt6_DIR}/../../../bin" ABSOLUTE)
tarnwick_mingw_runtime(runtime_dlls)
set(dll_dirs "${qt_bin}")
foreach(dll ${runtime_dlls})
  get_filename_component(dll_dir "${dll}" REALPATH)
  get_filename_component(dll_dir "${dll_dir}" DIRECTORY)
  list(APPEND dll_dirs "${dll_dir}")
endforeach()
list(REMOVE_DUPLICATES dll_dirs)
string(REPLACE ";" ":" dll_path "${dll_dirs}")
set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/lib/wine-run ${CMAKE_BINARY_DIR}/wine ${dll_path})
