# A mingw-w64 build's programs need the compiler's runtime DLLs (C++ library, GCC support,
# POSIX threads); they are copied beside them, where Windows (and Wine) looks first.

if(MINGW)
  foreach(_dll IN ITEMS libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${_dll}
      OUTPUT_VARIABLE _path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(IS_ABSOLUTE "${_path}" AND EXISTS "${_path}")
      file(COPY "${_path}" DESTINATION ${CMAKE_BINARY_DIR})
    endif()
  endforeach()
  unset(_dll)
  unset(_path)
endif()
