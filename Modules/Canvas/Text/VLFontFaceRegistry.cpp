#include "Modules/Canvas/Text/VLFontFaceRegistry.h"

#include "Platform/Foundation/VLUnicode.h"

#include <algorithm>
#include <array>

namespace {

// How far a face's weight range lies from the weight asked for, after CSS font matching: 0 inside the
// range; past it, lighter or heavier faces come first as the weight asked for is light, middle or bold.
int64_t weightDistance(int64_t wanted, int64_t minimum, int64_t maximum) {
    if (wanted >= minimum && wanted <= maximum)
        return 0;
    const bool above = minimum > wanted;
    if (wanted >= 400 && wanted <= 500) {
        if (!above)
            return wanted + 2000 - maximum;
        return minimum - wanted + (minimum <= 500 ? 1000 : 3000);
    }
    if (wanted < 400)
        return above ? minimum - wanted + 2000 : wanted + 1000 - maximum;
    return above ? minimum - wanted + 1000 : wanted + 2000 - maximum;
}

} // namespace

void VLFontFaceRegistry::addFace(const VLFontFaceRef& face) {
    if (!face || containsFace(face))
        return;
    _faces.push_back(face);
    if (face->fontDescriptor())
        ++_generation;
}

void VLFontFaceRegistry::removeFace(const VLFontFaceRef& face) {
    auto found = std::find(_faces.begin(), _faces.end(), face);
    if (found == _faces.end())
        return;
    _faces.erase(found);
    if (face->fontDescriptor())
        ++_generation;
}

void VLFontFaceRegistry::removeAllFaces() {
    if (_faces.empty())
        return;
    _faces.clear();
    ++_generation;
}

bool VLFontFaceRegistry::containsFace(const VLFontFaceRef& face) const {
    return std::find(_faces.begin(), _faces.end(), face) != _faces.end();
}

void VLFontFaceRegistry::faceDidChange(const VLFontFaceRef& face) {
    if (containsFace(face))
        ++_generation;
}

VLFontFaceRef VLFontFaceRegistry::faceForFamily(std::string_view family, bool italic, int32_t weight,
                                                bool loadedOnly) const {
    std::vector<const VLFontFaceRef*> candidates;
    for (const VLFontFaceRef& face : _faces) {
        if ((!loadedOnly || face->fontDescriptor()) && VLStringsEqualIgnoringCase(face->family(), family))
            candidates.push_back(&face);
    }
    constexpr std::array<int64_t, 3> kItalicPasses = {VLFontFace::Italic, VLFontFace::Oblique,
                                                      VLFontFace::Normal};
    constexpr std::array<int64_t, 3> kNormalPasses = {VLFontFace::Normal, VLFontFace::Oblique,
                                                      VLFontFace::Italic};
    for (int64_t style : italic ? kItalicPasses : kNormalPasses) {
        const VLFontFaceRef* best = nullptr;
        int64_t bestDistance = 0;
        for (const VLFontFaceRef* face : candidates) {
            if ((*face)->style() != style)
                continue;
            const int64_t distance =
                weightDistance(weight, (*face)->minimumWeight(), (*face)->maximumWeight());
            if (!best || distance <= bestDistance) {
                best = face;
                bestDistance = distance;
            }
        }
        if (best)
            return *best;
    }
    return nullptr;
}
