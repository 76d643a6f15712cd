# nlohmann-json (Debian's nlohmann-json3-dev) for the hosts that read and write
# JSON. It is header-only: a cross build takes the build machine's headers
# through a folder of their own, so that the machine's /usr/include does not
# shadow the target's.
find_package(nlohmann_json 3.9 QUIET)
if(NOT TARGET nlohmann_json::nlohmann_json)
  find_path(KAS_NLOHMANN_DIR nlohmann/json.hpp PATHS /usr/include NO_DEFAULT_PATH
            NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  set(kas_nlohmann_include ${CMAKE_BINARY_DIR}/third-party/include)
  file(MAKE_DIRECTORY ${kas_nlohmann_include})
  file(CREATE_LINK ${KAS_NLOHMANN_DIR}/nlohmann ${kas_nlohmann_include}/nlohmann SYMBOLIC)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${kas_nlohmann_include})
endif()
