#pragma once

#include "Platform/Foundation/VLValue.h"
#include "Platform/Text/VLFreeTypeFace.h"

#include <memory>
#include <optional>
#include <string>

// One font face as FreeType reads it: where its bytes are (a file and face index, or font data in memory,
// shared and never copied), its names and style, and its weight axis when it is a variable font.
// Immutable once made, so any thread may share it.
class VLPlatformFontDescriptor {
public:
    // The range of a variable font's weight axis (the tag wght), in OpenType's scale.
    struct WeightAxis {
        float minimum = 0;
        float maximum = 0;
        float defaultValue = 0;
    };

    // The OpenType tag of the weight axis, "wght".
    static constexpr unsigned long kWeightAxisTag = 2003265652;

    // Face `index` of font data (TrueType, OpenType, a collection, WOFF or WOFF2); nullptr when FreeType
    // cannot read it or it holds no glyphs.
    static std::shared_ptr<const VLPlatformFontDescriptor> createWithData(std::shared_ptr<const VLData> bytes,
                                                                          long faceIndex = 0);
    // Face `index` of the font file at the path; nullptr when FreeType cannot read it or it holds no glyphs.
    static std::shared_ptr<const VLPlatformFontDescriptor> createWithFile(const std::string& path,
                                                                          long faceIndex);

    // The font data, or nullptr for a face read from a file.
    const std::shared_ptr<const VLData>& bytes() const { return _bytes; }
    // The file, or empty for a face of font data.
    const std::string& path() const { return _path; }
    long faceIndex() const { return _faceIndex; }

    const std::string& familyName() const { return _familyName; }
    const std::string& fullName() const { return _fullName; }
    // Empty when the font names none.
    const std::string& postScriptName() const { return _postScriptName; }
    const std::string& styleName() const { return _styleName; }
    bool isItalic() const { return _isItalic; }
    // The weight class the font states, 1 to 1000 (400 when it states none).
    int weight() const { return _weight; }

    bool hasWeightAxis() const { return _weightAxis.has_value(); }
    const std::optional<WeightAxis>& weightAxis() const { return _weightAxis; }

    // A face of its own for the caller, who uses it on one thread at a time; nullptr when the file has gone.
    std::unique_ptr<VLFreeTypeFace> openFace() const;

private:
    VLPlatformFontDescriptor() = default;
    static std::shared_ptr<const VLPlatformFontDescriptor> read(std::unique_ptr<VLFreeTypeFace> face,
                                                                std::shared_ptr<const VLData> bytes,
                                                                std::string path, long faceIndex);

    std::shared_ptr<const VLData> _bytes;
    std::string _path;
    long _faceIndex = 0;
    std::string _familyName;
    std::string _fullName;
    std::string _postScriptName;
    std::string _styleName;
    bool _isItalic = false;
    int _weight = 400;
    std::optional<WeightAxis> _weightAxis;
};

using VLPlatformFontDescriptorRef = std::shared_ptr<const VLPlatformFontDescriptor>;
