# Compiles a text file into the program: a C++ source, generated at build
# time, defining a function that returns the file's bytes as a
# std::string_view. The source is generated again whenever the file changes.
#
#   tessera_embed_text(<out-var>
#                      INPUT <file>          the text to embed
#                      INCLUDE <header>      included first, declares the function
#                      NAMESPACE <ns>        namespace of the function
#                      FUNCTION <name>)      std::string_view <name>();
#
# <out-var> receives the path of the generated source (under the current
# binary folder, named after the header), to be added to a target. The bytes are written as a char array of hex values rather than a
# string literal: no text can collide with a raw-string delimiter or need
# escaping, and no compiler limit on literal length applies. The text is not
# NUL-terminated; the view's size is the file's size.
#
# This file is also the generator: the build runs it in script mode
# (cmake -P) with EMBED_TEXT_* variables set.

if(CMAKE_SCRIPT_MODE_FILE AND DEFINED EMBED_TEXT_INPUT)
  file(READ "${EMBED_TEXT_INPUT}" _hex HEX)
  string(LENGTH "${_hex}" _hex_length)
  math(EXPR _size "${_hex_length} / 2")
  if(_size EQUAL 0)
    # A zero-length array is not C++; keep one byte that the view leaves out.
    set(_bytes "  0x00,")
  else()
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," _bytes "${_hex}")
    # Sixteen bytes a line keeps the file readable in a debugger or a diff
    # (CMake's regular expressions have no {n} repetition).
    string(REPEAT "0x..," 16 _row)
    string(REGEX REPLACE "(${_row})" "\\1\n" _bytes "${_bytes}")
    string(REGEX REPLACE "\n$" "" _bytes "${_bytes}")
    string(REGEX REPLACE "([^\n]+)" "  \\1" _bytes "${_bytes}")
  endif()
  cmake_path(GET EMBED_TEXT_INPUT FILENAME _name)
  file(WRITE "${EMBED_TEXT_OUTPUT}"
"// Generated at build time from ${_name} by cmake/EmbedText.cmake. Do not edit.
#include \"${EMBED_TEXT_INCLUDE}\"

#include <cstddef>
#include <string_view>

namespace ${EMBED_TEXT_NAMESPACE} {
namespace {

constexpr unsigned char kText[] = {
${_bytes}
};
constexpr std::size_t kTextSize = ${_size};

} // namespace

std::string_view ${EMBED_TEXT_FUNCTION}() {
  return {reinterpret_cast<const char*>(kText), kTextSize};
}

} // namespace ${EMBED_TEXT_NAMESPACE}
")
  return()
endif()

set(TESSERA_EMBED_TEXT_SCRIPT ${CMAKE_CURRENT_LIST_FILE})

function(tessera_embed_text out_var)
  cmake_parse_arguments(ARG "" "INPUT;INCLUDE;NAMESPACE;FUNCTION" "" ${ARGN})
  foreach(arg INPUT INCLUDE NAMESPACE FUNCTION)
    if(NOT ARG_${arg})
      message(FATAL_ERROR "tessera_embed_text: ${arg} is required")
    endif()
  endforeach()
  cmake_path(ABSOLUTE_PATH ARG_INPUT BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
  # Named after the header it implements: embedded/bridge/x.cpp for bridge/x.h.
  cmake_path(REPLACE_EXTENSION ARG_INCLUDE LAST_ONLY .cpp OUTPUT_VARIABLE _source)
  set(output ${CMAKE_CURRENT_BINARY_DIR}/embedded/${_source})
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND}
            -DEMBED_TEXT_INPUT=${ARG_INPUT}
            -DEMBED_TEXT_OUTPUT=${output}
            -DEMBED_TEXT_INCLUDE=${ARG_INCLUDE}
            -DEMBED_TEXT_NAMESPACE=${ARG_NAMESPACE}
            -DEMBED_TEXT_FUNCTION=${ARG_FUNCTION}
            -P ${TESSERA_EMBED_TEXT_SCRIPT}
    DEPENDS ${ARG_INPUT} ${TESSERA_EMBED_TEXT_SCRIPT}
    COMMENT "Embedding ${ARG_INPUT}"
    VERBATIM)
  set(${out_var} ${output} PARENT_SCOPE)
endfunction()
