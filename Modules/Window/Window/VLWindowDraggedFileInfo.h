#pragma once

#include "Platform/Foundation/VLURL.h"
#include "Platform/Foundation/VLValue.h"

// What a script learns of one dragged file: "name", "directory" (the number 1 or 0), "package" (a
// directory with a bundle's extension), "size" (plain files only), "type" (a uniform type identifier,
// when we know one), "modified" (milliseconds since 1970, floored) and "extension" (lower-cased). The
// file is read with lstat, so a link is described as itself; when it cannot be read, the entry keeps
// only the name, the extension and what the URL itself tells.
VLDictionary VLWindowDraggedFileInfo(const VLURL& url);
