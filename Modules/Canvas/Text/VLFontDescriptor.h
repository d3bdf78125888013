#pragma once

#include "Modules/Canvas/Text/VLFontFace.h"
#include "Platform/Text/VLFontCatalog.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class VLFontDescriptor;
class VLFontFaceRegistry;
using VLFontDescriptorRef = std::shared_ptr<const VLFontDescriptor>;

// A resolved CSS font: one family (an installed family, an installed font's name, one of the system fonts
// VLFontSystemUI, VLFontSystemRounded, VLFontSystemMonospaced and VLFontSystemSerif, or a script's face),
// a size in CSS pixels, an italic flag and a CSS weight. Compared by value, and the key under which fonts
// are cached. Immutable, so any thread may read it; its face belongs to the runtime's JavaScript thread.
class VLFontDescriptor {
public:
    // The weight is clamped to 1 to 1000.
    VLFontDescriptor(std::string name, float size, bool isItalic, int32_t weight,
                     VLFontFaceRef face = nullptr);

    // Reads a CSS font shorthand: style, weight and stretch keywords and numbers (later ones win), a size
    // in px or pt, an ignored line height and the family list. On failure nothing is written.
    static bool parseCSSFont(std::string_view font, bool& italic, int32_t& weight, float& size,
                             std::vector<std::string>& families);

    // Parses and resolves a CSS font: for each family in turn the registry's loaded face of that family,
    // then the family by name; else the current descriptor's family at the new size and style. nullptr when
    // the text does not parse or nothing resolves.
    static VLFontDescriptorRef descriptorWithCSSFont(std::string_view font,
                                                     const VLFontDescriptorRef& current,
                                                     const VLFontFaceRegistry* faces = nullptr);

    // Resolves one family name: a generic family, an installed family, an installed font's name. Cached;
    // nullptr when the name is none of those.
    static VLFontDescriptorRef descriptorWithName(std::string_view name, float size, bool isItalic = false,
                                                  int32_t weight = 400);

    const std::string& name() const { return _name; }
    float size() const { return _size; }
    bool isItalic() const { return _isItalic; }
    int32_t weight() const { return _weight; }
    const VLFontFaceRef& face() const { return _face; }
    uint64_t hash() const { return _hash; }

    bool isBold() const { return _weight >= 600; }
    // No face, and the name is one of the four system fonts.
    bool isSystemFont() const;
    // No face, and the name is an installed family (VLFontFamilyNames).
    bool isFamilyName() const;

    // The font as CSS text, as a 2D context's font reads back: ‹italic bold 12px "Times New Roman"›.
    std::string description() const;

    bool isEqual(const VLFontDescriptor& other) const;
    bool operator==(const VLFontDescriptor& other) const { return isEqual(other); }

private:
    std::string _name;
    float _size;
    bool _isItalic;
    int32_t _weight;
    VLFontFaceRef _face;
    uint64_t _hash;
};

// The family that a generic family name stands for ("sans-serif" is "Helvetica", "-apple-system" is
// "system-ui", ...), compared in lower case; nullptr for any other name.
const char* VLFontResolveFamily(std::string_view name);

// A CSS weight on the nine-step scale of font weights: the nearest hundred (halves rounded up), from 100
// to 900, which is also OpenType's weight for that step.
int VLFontWeightFromCSS(int32_t weight);
