# Number conversions of the format layer (bvh/DecimalConversion.cpp): std::from_chars and
# std::to_chars for double where the standard library has them, the C library's
# conversions in the "C" locale otherwise (libc++, GCC's library before GCC 11, macOS
# before 13.3). The check compiles and links a call of each with the build's compiler,
# flags and C++ standard, so it holds for the stand-in and the real-SDK build alike.
#
#   BVHIO_FORCE_NUMBER_FALLBACK  ON: the C library's conversions even where both exist
#
# bvhio_number_conversions(<target> [FALLBACK])
#   Compiles the format layer's sources in <target> with the chosen conversions, or with
#   the C library's when FALLBACK is given.
# bvhio_format_tests(<name> [FALLBACK])
#   A test executable of its own: the format layer's sources and their tests, compiled as
#   bvhio_number_conversions says, registered with CTest under the prefix "<name>.".

include_guard(GLOBAL)
include(CheckCXXSourceCompiles)

option(BVHIO_FORCE_NUMBER_FALLBACK
  "Read and write numbers with the C library even where std::from_chars/to_chars take double" OFF)

check_cxx_source_compiles([=[
#include <charconv>
int main(int argc, char** argv) {
    double value = 0;
    const char* text = argv[0];
    const auto read = std::from_chars(text, text + 1, value, std::chars_format::general);
    char out[32];
    const auto written = std::to_chars(out, out + sizeof out, value + argc,
                                       std::chars_format::general, 6);
    return (read.ptr == text) + (written.ptr == out);
}
]=] BVHIO_HAVE_FLOAT_CHARCONV)

if(BVHIO_FORCE_NUMBER_FALLBACK OR NOT BVHIO_HAVE_FLOAT_CHARCONV)
  set(BVHIO_NUMBER_FALLBACK 1)
  message(STATUS "bvhio: numbers are read and written with the C library")
else()
  set(BVHIO_NUMBER_FALLBACK 0)
  message(STATUS "bvhio: numbers are read and written with std::from_chars/to_chars")
endif()

set(_BVHIO_ROOT ${CMAKE_CURRENT_LIST_DIR}/..)

function(bvhio_number_conversions target)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "FALLBACK" "" "")
  set(fallback ${BVHIO_NUMBER_FALLBACK})
  if(ARG_FALLBACK)
    set(fallback 1)
  endif()
  target_compile_definitions(${target} PRIVATE BVHIO_NUMBER_FALLBACK=${fallback})
endfunction()

# One test per GoogleTest program, every case in one run with brief output: a run prints the
# failures and the totals, not a line per case. While iterating, run the program itself with
# --gtest_filter (and without --gtest_brief to see every case).
# A GoogleTest program as CTest tests; with SHARDS n, as n tests that each run every n-th
# case (GoogleTest's sharding), which the test presets run side by side.
function(bvhio_gtest_program target timeout)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "SHARDS" "")
  if(NOT arg_SHARDS OR arg_SHARDS LESS 2)
    add_test(NAME ${target} COMMAND ${target} --gtest_brief=1)
    set_tests_properties(${target} PROPERTIES TIMEOUT ${timeout})
    return()
  endif()
  math(EXPR last "${arg_SHARDS} - 1")
  foreach(shard RANGE ${last})
    math(EXPR number "${shard} + 1")
    set(name ${target}/${number}of${arg_SHARDS})
    add_test(NAME ${name} COMMAND ${target} --gtest_brief=1)
    set_tests_properties(${name} PROPERTIES TIMEOUT ${timeout}
      ENVIRONMENT "GTEST_TOTAL_SHARDS=${arg_SHARDS};GTEST_SHARD_INDEX=${shard}")
  endforeach()
endfunction()

function(bvhio_format_tests name)
  file(GLOB sources CONFIGURE_DEPENDS ${_BVHIO_ROOT}/bvh/*.cpp)
  add_executable(${name} ${sources}
    ${_BVHIO_ROOT}/tests/number_format_test.cpp
    ${_BVHIO_ROOT}/tests/bvh_text_test.cpp
    ${_BVHIO_ROOT}/tests/bvh_line_reader_test.cpp
    ${_BVHIO_ROOT}/tests/bvh_reader_test.cpp)
  target_include_directories(${name} PRIVATE ${_BVHIO_ROOT})
  target_compile_definitions(${name} PRIVATE BVHIO_SOURCE_DIR="${_BVHIO_ROOT}")
  target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main)
  bvhio_number_conversions(${name} ${ARGN})
  bvhio_gtest_program(${name} 300)
endfunction()
