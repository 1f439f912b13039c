# Common settings for every target of ours: warnings as errors, the
# sanitizers when asked for, and the platform flags of the Windows build.

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

if(WIN32)
  # Wide Win32 entry points and no min/max macros from the gateway header.
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                          _WIN32_WINNT=0x0A00)
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
