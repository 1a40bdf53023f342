# tarnwick_mingw_runtime(OUT): the mingw run-time DLLs a cross-built program needs beside it,
# found where the cross compiler finds them.
function(tarnwick_mingw_runtime out)
  set(files)
  foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
      OUTPUT_VARIABLE file OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    if(NOT IS_ABSOLUTE "${file}")
      message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not know ${dll}")
    endif()
    list(APPEND files ${file})
  endforeach()
  set(${out} ${files} PARENT_SCOPE)
endfunction()
