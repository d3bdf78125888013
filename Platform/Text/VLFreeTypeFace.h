#pragma once

#include "Platform/Foundation/VLValue.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <memory>
#include <string>

// One open FreeType face of a font file or of font bytes in memory, closed when destroyed; the bytes stay
// alive as long as the face. Every face belongs to the process's one FreeType library: FreeType lets
// threads share a library as long as faces are opened and closed one at a time, so both take the
// library's lock. The face itself is used by one thread at a time, its owner's.
class VLFreeTypeFace {
public:
    // Face `index` of the font in the bytes (TrueType, OpenType, a collection, WOFF or WOFF2); nullptr
    // when FreeType cannot read it.
    static std::unique_ptr<VLFreeTypeFace> open(std::shared_ptr<const VLData> bytes, long index);
    // Face `index` of the font file at the path; nullptr when FreeType cannot read it.
    static std::unique_ptr<VLFreeTypeFace> open(const std::string& path, long index);

    VLFreeTypeFace(const VLFreeTypeFace&) = delete;
    VLFreeTypeFace& operator=(const VLFreeTypeFace&) = delete;
    ~VLFreeTypeFace();

    FT_Face face() const { return _face; }
    // The library every face belongs to, for the calls that take it (FT_Done_MM_Var).
    static FT_Library library();

private:
    VLFreeTypeFace(FT_Face face, std::shared_ptr<const VLData> bytes);

    FT_Face _face;
    std::shared_ptr<const VLData> _bytes; // what a face opened from memory reads
};
