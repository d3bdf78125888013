#!/usr/bin/env bash
# Writes VLGLFunctionList.h, the table of every EGL 1.5 and OpenGL ES 3.2 core entry point, from the
# Khronos headers that the setup step installs (libegl-dev, libgles-dev), beside this script:
#   Platform/Graphics/VLGLFunctionList.sh [INCLUDE_DIR]
set -euo pipefail
include="${1:-/usr/include}"
output="$(dirname "$0")/VLGLFunctionList.h"

# NAME → X(NAME, PFNNAMEPROC) for each prototype of the header.
entries() {
    grep -oE "$2 $3[A-Za-z0-9_]+" "$1" | awk '{ print $2 }' | sort -u |
        awk '{ printf "    X(%s, PFN%sPROC) \\\n", $1, toupper($1) }'
}

cat > "$output" <<HEADER
#pragma once

// Made by VLGLFunctionList.sh from the Khronos headers; run it again rather than editing this file.
// X(name, function pointer type) for every core entry point that the GL loader binds by name.

#define VL_EGL_CORE_FUNCTIONS(X) \\
$(entries "$include/EGL/egl.h" EGLAPIENTRY egl)
    /* end */

#define VL_GLES_CORE_FUNCTIONS(X) \\
$(entries "$include/GLES3/gl32.h" GL_APIENTRY gl)
    /* end */
HEADER
clang-format -i "$output"
