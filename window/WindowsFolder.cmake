# The installed folder runs on a Windows machine as it is: the program with Qt's libraries and
# the mingw run time beside it, the platform plugin and the native style in their subfolders.
install(TARGETS tarnwick RUNTIME DESTINATION .)
install(FILES $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets> DESTINATION .)
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles)
tarnwick_mingw_runtime(runtime_dlls)
install(FILES ${runtime_dlls} DESTINATION .)
