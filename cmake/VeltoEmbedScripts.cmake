# Script mode: writes OUTPUT, a C++ source holding the bytes of every .js file under SOURCE_DIR, each
# named by its path relative to SOURCE_DIR without the extension ("console", "polyfill/Events").
# Called by velto_embed_scripts() at build time.

file(GLOB_RECURSE scripts RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*.js")
list(SORT scripts)

set(arrays "")
set(entries "")
set(index 0)
foreach(script IN LISTS scripts)
  file(READ "${SOURCE_DIR}/${script}" bytes HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${bytes}")
  string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)"
         "\\1\n    " bytes "${bytes}")
  string(REGEX REPLACE "\\.js$" "" name "${script}")
  # Unsigned bytes, so UTF-8 text above 0x7f needs no narrowing.
  string(APPEND arrays "const unsigned char script${index}[] = {\n    ${bytes}0x00};\n")
  string(APPEND entries "    {\"${name}\", {reinterpret_cast<const char*>(script${index}), sizeof(script${index}) - 1}},\n")
  math(EXPR index "${index} + 1")
endforeach()

set(content "// Generated from ${SOURCE_DIR} by VeltoEmbedScripts.cmake; do not edit.
#include \"Core/Engine/JS/VLEmbeddedScripts.h\"

namespace {
${arrays}} // namespace

const VLEmbeddedScriptEntry kVLEmbeddedScripts[] = {
${entries}    {nullptr, {}},
};
")

file(WRITE "${OUTPUT}" "${content}")
