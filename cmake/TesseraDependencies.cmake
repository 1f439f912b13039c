# Third-party libraries, all from Debian's packages. The Windows build links
# zlib's static archive from the MinGW sysroot and compiles GoogleTest from
# the sources that Debian's googletest package ships; nlohmann-json is
# header-only and shared by both builds.

find_package(Threads REQUIRED)

if(WIN32)
  # A stock Windows has no zlib1.dll, so zlib goes into every image. The
  # sysroot holds both libz.a and the import library libz.dll.a, and
  # FindZLIB picks the import library; -static does not change that for a
  # library named by its full path. So the archive is named here, looked up
  # afresh at each configure, so that no older cache can hold the import
  # library in its place.
  find_path(TESSERA_ZLIB_INCLUDE_DIR zlib.h)
  find_library(TESSERA_ZLIB_STATIC_LIBRARY NAMES libz.a NO_CACHE)
  if(NOT TESSERA_ZLIB_INCLUDE_DIR OR NOT TESSERA_ZLIB_STATIC_LIBRARY)
    message(FATAL_ERROR "zlib's static library for MinGW missing: install libz-mingw-w64-dev")
  endif()
  add_library(ZLIB::ZLIB STATIC IMPORTED)
  set_target_properties(ZLIB::ZLIB PROPERTIES
    IMPORTED_LOCATION ${TESSERA_ZLIB_STATIC_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${TESSERA_ZLIB_INCLUDE_DIR})
else()
  find_package(ZLIB REQUIRED)
endif()

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
