#pragma once

#include "Modules/Canvas/Text/VLFontFace.h"

#include <cstdint>
#include <string_view>
#include <vector>

// The font faces a runtime's scripts made active, in the order they were added, consulted before the
// installed fonts when a CSS font is resolved. Its generation rises whenever the set of usable faces may
// have changed, which tells 2D contexts to resolve their fonts again. Owned by the runtime's JavaScript
// thread; not locked.
class VLFontFaceRegistry {
public:
    // A copy of the faces, in order.
    std::vector<VLFontFaceRef> faces() const { return _faces; }
    uint64_t generation() const { return _generation; }

    // Appends a face not yet present; the generation rises only when the face is loaded.
    void addFace(const VLFontFaceRef& face);
    // Removes a present face; the generation rises only when it was loaded.
    void removeFace(const VLFontFaceRef& face);
    // Removes every face; the generation rises when there was one.
    void removeAllFaces();
    bool containsFace(const VLFontFaceRef& face) const;
    // The face's description or data changed: the generation rises when the face is present.
    void faceDidChange(const VLFontFaceRef& face);

    // The face that CSS font matching picks for the family (compared ignoring case) at the style and
    // weight: first by style (italic, oblique, normal for an italic request; normal, oblique, italic
    // otherwise), then by weight distance, the later face winning a tie. With `loadedOnly` faces without
    // data take no part. nullptr when no face has the family.
    VLFontFaceRef faceForFamily(std::string_view family, bool italic, int32_t weight, bool loadedOnly) const;

private:
    std::vector<VLFontFaceRef> _faces;
    uint64_t _generation = 0;
};
