# Third-party libraries, all from Debian's packages. The Windows build finds
# zlib in the MinGW sysroot and compiles GoogleTest from the sources that
# Debian's googletest package ships; nlohmann-json is header-only and shared
# by both builds.

find_package(Threads REQUIRED)
find_package(ZLIB REQUIRED)

if(WIN32)
  # The host's nlohmann headers are plain C++: copy them into a private
  # include folder so the cross compiler does not see the host's /usr/include.
  set(_json_src /usr/include/nlohmann)
  set(_json_dst ${CMAKE_BINARY_DIR}/third_party/include)
  if(NOT EXISTS ${_json_src}/json.hpp)
    message(FATAL_ERROR "nlohmann-json headers missing: install nlohmann-json3-dev")
  endif()
  file(COPY ${_json_src} DESTINATION ${_json_dst})
  add_library(tessera_json INTERFACE)
  target_include_directories(tessera_json SYSTEM INTERFACE ${_json_dst})
else()
  find_package(nlohmann_json 3.10 REQUIRED)
  add_library(tessera_json INTERFACE)
  target_link_libraries(tessera_json INTERFACE nlohmann_json::nlohmann_json)
endif()

if(TESSERA_BUILD_TESTS)
  if(WIN32)
    set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  else()
    find_package(GTest REQUIRED)
  endif()
  include(GoogleTest)
endif()

if(TESSERA_BUILD_BENCH AND NOT WIN32)
  find_package(benchmark REQUIRED)
endif()
