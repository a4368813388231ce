# clang with LLVM's C++ library, libc++: the toolchain of macOS, on Linux
# (Debian: clang libc++-dev libc++abi-dev). A call that libc++ lacks fails here as on a Mac.
#   cmake -S . -B build/libcxx -G Ninja --toolchain cmake/toolchains/clang-libcxx.cmake \
#         -DBVHIO_GTEST_SOURCE_DIR=/usr/src/googletest

find_program(CMAKE_C_COMPILER NAMES clang REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES clang++ REQUIRED)
set(CMAKE_CXX_FLAGS_INIT "-stdlib=libc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-stdlib=libc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-stdlib=libc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-stdlib=libc++")
