#include "Modules/Canvas/Text/VLFontDescriptor.h"

#include "Core/Engine/Binding/VLJSArgument.h"
#include "Modules/Canvas/Text/VLFontFaceRegistry.h"
#include "Platform/Foundation/VLCache.h"
#include "Platform/Foundation/VLStringWithFormat.h"
#include "Platform/Foundation/VLUnicode.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <functional>
#include <utility>

namespace {

constexpr std::array<std::pair<std::string_view, const char*>, 10> kGenericFamilies = {{
    {"system-ui", VLFontSystemUI},
    {"-apple-system", VLFontSystemUI},
    {"blinkmacsystemfont", VLFontSystemUI},
    {"ui-sans-serif", VLFontSystemUI},
    {"ui-rounded", VLFontSystemRounded},
    {"ui-monospace", VLFontSystemMonospaced},
    {"ui-serif", VLFontSystemSerif},
    {"sans-serif", "Helvetica"},
    {"serif", "Times"},
    {"monospace", "Courier"},
}};

// Descriptors made by name, for every thread of the process.
VLCache<std::string, VLFontDescriptorRef>& descriptorCache() {
    static VLCache<std::string, VLFontDescriptorRef> cache(50);
    return cache;
}

// A float that may be negative, huge or NaN as an unsigned 64-bit integer: NaN and negatives give 0,
// values past the range the largest one.
uint64_t saturatingUInt64(float value) {
    constexpr float limit = 18446744073709551616.0f; // 2^64
    if (!(value > 0))
        return 0;
    if (value >= limit)
        return UINT64_MAX;
    return uint64_t(value);
}

uint64_t hashOf(const std::string& name, float size, bool isItalic, int32_t weight,
                const VLFontFaceRef& face) {
    const float sum = float(std::hash<std::string>{}(name)) + 171.0f * size + 171.0f * float(isItalic) +
                      17.0f * float(weight) + 7919.0f * float(face ? face->identifier() : 0);
    return saturatingUInt64(sum);
}

// "name.size.italic.weight", the size in hundredths truncated toward zero and the italic flag as 0 or 1.
// Every font assignment makes one, so it is put together by hand rather than through a format.
std::string cacheKey(std::string_view name, float size, bool isItalic, int32_t weight) {
    char numbers[48];
    char* end = std::to_chars(numbers, numbers + 20, VLJSNumberToInt64(double(size) * 100)).ptr;
    end = std::copy_n(isItalic ? ".1." : ".0.", 3, end);
    end = std::to_chars(end, numbers + sizeof(numbers), weight).ptr;
    std::string key;
    key.reserve(name.size() + 1 + size_t(end - numbers));
    key.append(name);
    key += '.';
    key.append(numbers, end);
    return key;
}

// The size as CSS text: whole when within a hundredth of a whole number.
std::string sizeText(float size) {
    const double rounded = std::round(double(size));
    if (std::fabs(double(size) - rounded) <= 0.01)
        return VLStringWithFormat("%.0f", rounded);
    return VLStringWithFormat("%g", double(size));
}

// The name a family resolves to: a generic family's, an installed family's own, an installed font's own.
std::optional<std::string> resolvedName(std::string_view name) {
    if (const char* generic = VLFontResolveFamily(name))
        return generic;
    std::string exact(name);
    if (VLFontFamilyNames().count(exact) || VLFontCatalog::shared().hasFontNamed(exact))
        return exact;
    return std::nullopt;
}

} // namespace

VLFontDescriptor::VLFontDescriptor(std::string name, float size, bool isItalic, int32_t weight,
                                   VLFontFaceRef face)
    : _name(std::move(name)), _size(size), _isItalic(isItalic), _weight(std::clamp(weight, 1, 1000)),
      _face(std::move(face)), _hash(hashOf(_name, _size, _isItalic, _weight, _face)) {}

const char* VLFontResolveFamily(std::string_view name) {
    const std::string lowercased = VLASCIILowercaseString(name);
    for (const auto& [generic, family] : kGenericFamilies) {
        if (lowercased == generic)
            return family;
    }
    return nullptr;
}

int VLFontWeightFromCSS(int32_t weight) {
    return int(std::clamp(std::round(double(weight) / 100), 1.0, 9.0)) * 100;
}

bool VLFontDescriptor::isSystemFont() const {
    return !_face && VLFontCatalog::familyForSystemFont(_name).has_value();
}

bool VLFontDescriptor::isFamilyName() const {
    return !_face && VLFontFamilyNames().count(_name) > 0;
}

std::string VLFontDescriptor::description() const {
    std::string text;
    if (_isItalic)
        text += "italic ";
    if (_weight == 700)
        text += "bold ";
    else if (_weight != 400)
        text += std::to_string(_weight) + " ";
    text += sizeText(_size) + "px ";
    if (_name.find(' ') != std::string::npos && !isSystemFont())
        text += "\"" + _name + "\"";
    else
        text += _name;
    return text;
}

bool VLFontDescriptor::isEqual(const VLFontDescriptor& other) const {
    return _face == other._face && _name == other._name && std::fabs(_size - other._size) < FLT_EPSILON &&
           _isItalic == other._isItalic && _weight == other._weight;
}

VLFontDescriptorRef VLFontDescriptor::descriptorWithName(std::string_view name, float size, bool isItalic,
                                                         int32_t weight) {
    if (name.empty())
        return nullptr;
    const std::string key = cacheKey(name, size, isItalic, weight);
    if (std::optional<VLFontDescriptorRef> cached = descriptorCache().objectForKey(key))
        return std::move(*cached);
    std::optional<std::string> resolved = resolvedName(name);
    if (!resolved)
        return nullptr;
    auto descriptor = std::make_shared<const VLFontDescriptor>(std::move(*resolved), size, isItalic, weight);
    descriptorCache().setObjectForKey(descriptor, key);
    return descriptor;
}

VLFontDescriptorRef VLFontDescriptor::descriptorWithCSSFont(std::string_view font,
                                                            const VLFontDescriptorRef& current,
                                                            const VLFontFaceRegistry* faces) {
    bool italic = false;
    int32_t weight = 400;
    float size = 0;
    std::vector<std::string> families;
    if (!parseCSSFont(font, italic, weight, size, families))
        return nullptr;
    // A script's loaded face of the family comes before any installed font of that name.
    auto loadedFace = [&](std::string_view family) -> VLFontDescriptorRef {
        VLFontFaceRef face = faces ? faces->faceForFamily(family, italic, weight, true) : nullptr;
        return face ? std::make_shared<const VLFontDescriptor>(face->family(), size, italic, weight, face)
                    : nullptr;
    };
    for (const std::string& family : families) {
        if (VLFontDescriptorRef descriptor = loadedFace(family))
            return descriptor;
        if (VLFontDescriptorRef descriptor = descriptorWithName(family, size, italic, weight))
            return descriptor;
    }
    if (!current)
        return nullptr;
    if (!current->face())
        return descriptorWithName(current->name(), size, italic, weight);
    if (VLFontDescriptorRef descriptor = loadedFace(current->name()))
        return descriptor;
    return descriptorWithName("Helvetica", size, italic, weight);
}
