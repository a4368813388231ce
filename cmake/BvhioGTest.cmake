# GoogleTest for the test programs: the installed one, or one built from its sources with this
# build's compiler and standard library. A GoogleTest built by another toolchain does not link
# here (libc++ and GCC's library differ in std::string; a Windows build needs Windows objects),
# so the clang + libc++ and the Windows builds name the sources:
#
#   BVHIO_GTEST_SOURCE_DIR  GoogleTest's source folder (Debian: /usr/src/googletest);
#                           empty: find_package(GTest)
#
# Either way the targets are GTest::gtest and GTest::gtest_main.

include_guard(GLOBAL)

set(BVHIO_GTEST_SOURCE_DIR "" CACHE PATH
  "GoogleTest sources to build with this compiler and library; empty: the installed GoogleTest")
if(BVHIO_GTEST_SOURCE_DIR)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  # One C runtime for GoogleTest and the programs it is linked into, as CMake's defaults give.
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(${BVHIO_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  if(NOT TARGET GTest::gtest_main)  # GoogleTest 1.11 and newer name them so themselves
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
else()
  find_package(GTest REQUIRED)
endif()
