# Common settings for every target of ours: the compiler cache, warnings as
# errors, the sanitizers when asked for, and the platform flags of the
# Windows build.

# Compiles go through ccache when it is installed. Paths under the source
# tree are hashed relative to it and the build folder is left out of the
# hash, so a fresh clone elsewhere (as CI makes one) reuses what an earlier
# build of the same sources compiled. TESSERA_CCACHE=OFF turns it off.
option(TESSERA_CCACHE "Compile through ccache when it is installed" ON)
find_program(TESSERA_CCACHE_PROGRAM ccache)
if(TESSERA_CCACHE AND TESSERA_CCACHE_PROGRAM AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
  set(_tessera_launcher env CCACHE_BASEDIR=${CMAKE_SOURCE_DIR} CCACHE_NOHASHDIR=true
                        ${TESSERA_CCACHE_PROGRAM})
  set(CMAKE_C_COMPILER_LAUNCHER ${_tessera_launcher})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${_tessera_launcher})
endif()

if(TESSERA_SANITIZE)
  # A sanitized executable exports all its symbols (the vptr check needs
  # that), so its instrumented copies of inline library functions would
  # replace the ones the system's libraries call (WebKit releasing its own
  # std::shared_ptr ran through ours and failed the vptr check on a type it
  # cannot see). Inline functions stay hidden, each library keeps its own.
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer -fvisibility-inlines-hidden)
  add_link_options(-fsanitize=address,undefined)
endif()

option(TESSERA_SANITIZE_THREAD "Build with ThreadSanitizer" OFF)
if(TESSERA_SANITIZE_THREAD)
  if(TESSERA_SANITIZE)
    message(FATAL_ERROR "ThreadSanitizer and AddressSanitizer do not go in one build")
  endif()
  # Optimised a little: an instrumented debug build of the worker tests is
  # slow to no purpose, and -O1 keeps every access TSan watches.
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer -O1 -g)
  add_link_options(-fsanitize=thread)
endif()

if(WIN32)
  # Wide Win32 entry points and no min/max macros from the gateway header.
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                          _WIN32_WINNT=0x0A00)
  # The images link everything statically, so each carries whatever its
  # objects reach. With a section per function and datum the linker drops
  # the data and import stubs no image uses (about 58 KB of the runtime).
  # It cannot drop unused functions: binutils keeps every function's unwind
  # entry, and with it the function, so code an image never calls is kept
  # out by giving it an object of its own (an archive member nobody
  # references is not linked at all).
  add_compile_options(-ffunction-sections -fdata-sections)
  add_link_options(-Wl,--gc-sections)
endif()

function(tessera_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
                                           -Wnon-virtual-dtor -Werror)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wno-dangling-reference)
  endif()
endfunction()

# A library target for one layer folder: every source file in it, the
# folder's parent as include root, and the layers it may depend on.
function(tessera_layer target)
  cmake_parse_arguments(ARG "" "DIR" "DEPS;SOURCES" ${ARGN})
  if(NOT ARG_SOURCES)
    file(GLOB ARG_SOURCES CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp)
  endif()
  if(NOT ARG_SOURCES)
    # A layer with headers only so far.
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${TESSERA_SOURCE_ROOT})
    target_link_libraries(${target} INTERFACE ${ARG_DEPS})
    return()
  endif()
  add_library(${target} STATIC ${ARG_SOURCES})
  target_include_directories(${target} PUBLIC ${TESSERA_SOURCE_ROOT})
  target_link_libraries(${target} PUBLIC ${ARG_DEPS})
  tessera_target_defaults(${target})
endfunction()
