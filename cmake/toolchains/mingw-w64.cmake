# Cross build for 64-bit Windows with mingw-w64 (Debian: mingw-w64), run with Wine (wine64).
#   cmake -S . -B build/windows -G Ninja --toolchain cmake/toolchains/mingw-w64.cmake \
#         -DBVHIO_GTEST_SOURCE_DIR=/usr/src/googletest
# The POSIX-threads flavour of the compiler: the tests use std::thread, which the win32 flavour
# of GCC 12 lacks. Programs and libraries need its runtime DLLs beside them (the build copies
# them there). CTest runs the programs through Wine (tools/wine-run.sh).

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(BVHIO_MINGW_TRIPLE x86_64-w64-mingw32)

find_program(CMAKE_C_COMPILER NAMES ${BVHIO_MINGW_TRIPLE}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${BVHIO_MINGW_TRIPLE}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${BVHIO_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${BVHIO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Wine without a display, in a prefix of its own made once, and not as the superuser.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../../tools/wine-run.sh)
