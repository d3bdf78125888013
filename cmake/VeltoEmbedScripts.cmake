# Script mode: writes OUTPUT, a C++ source holding the bytes of every .js file under SOURCE_DIR and
# CACHED_DIR, each named by its path relative to its folder without the extension ("console",
# "polyfill/Events", "Modules/url"). Called by velto_embed_scripts() at build time.

set(arrays "")
set(entries "")
set(index 0)
foreach(dir IN ITEMS "${SOURCE_DIR}" "${CACHED_DIR}")
  if(NOT IS_DIRECTORY "${dir}")
    message(FATAL_ERROR "No script folder \"${dir}\"")
  endif()
  file(GLOB_RECURSE scripts RELATIVE "${dir}" "${dir}/*.js")
  list(SORT scripts)
  foreach(script IN LISTS scripts)
    file(READ "${dir}/${script}" bytes HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${bytes}")
    string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)"
           "\\1\n    " bytes "${bytes}")
    string(REGEX REPLACE "\\.js$" "" name "${script}")
    # Unsigned bytes, so UTF-8 text above 0x7f needs no narrowing.
    string(APPEND arrays "const unsigned char script${index}[] = {\n    ${bytes}0x00};\n")
    string(APPEND entries "    {\"${name}\", {reinterpret_cast<const char*>(script${index}), sizeof(script${index}) - 1}},\n")
    math(EXPR index "${index} + 1")
  endforeach()
endforeach()

set(content "// Generated from ${SOURCE_DIR} and ${CACHED_DIR} by VeltoEmbedScripts.cmake; do not edit.
#include \"Core/Engine/JS/VLEmbeddedScripts.h\"

namespace {
${arrays}} // namespace

const VLEmbeddedScriptEntry kVLEmbeddedScripts[] = {
${entries}    {nullptr, {}},
};
")

file(WRITE "${OUTPUT}" "${content}")
