# nlohmann JSON, which the stand-in's scene files and the tests use: headers only. A cross
# build finds no package of it for its target system; the build machine's headers serve it
# as well, and only their own folder is put on the include path (a copy in the build folder),
# not the build machine's whole /usr/include.

include_guard(GLOBAL)

find_package(nlohmann_json 3 QUIET)
if(NOT nlohmann_json_FOUND)
  if(NOT CMAKE_CROSSCOMPILING)
    find_package(nlohmann_json 3 REQUIRED)
  endif()
  find_path(BVHIO_JSON_INCLUDE_DIR nlohmann/json.hpp NO_CMAKE_FIND_ROOT_PATH)
  if(NOT BVHIO_JSON_INCLUDE_DIR)
    message(FATAL_ERROR "nlohmann/json.hpp not found (Debian: nlohmann-json3-dev)")
  endif()
  file(COPY ${BVHIO_JSON_INCLUDE_DIR}/nlohmann DESTINATION ${CMAKE_BINARY_DIR}/json-headers)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED GLOBAL)
  set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${CMAKE_BINARY_DIR}/json-headers)
endif()
