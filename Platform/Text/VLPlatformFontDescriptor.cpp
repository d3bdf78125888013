#include "Platform/Text/VLPlatformFontDescriptor.h"

#include "Platform/Foundation/VLUnicode.h"

#include FT_MULTIPLE_MASTERS_H
#include FT_SFNT_NAMES_H
#include FT_TRUETYPE_IDS_H
#include FT_TRUETYPE_TABLES_H

#include <glib.h>

#include <algorithm>

namespace {

std::string decodeUTF16BigEndian(const FT_SfntName& name) {
    std::u16string units(name.string_len / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i)
        units[i] = char16_t((name.string[2 * i] << 8) | name.string[2 * i + 1]);
    return VLUTF8FromUTF16(units);
}

std::string decodeMacRoman(const FT_SfntName& name) {
    gsize written = 0;
    gchar* converted = g_convert(reinterpret_cast<const gchar*>(name.string), gssize(name.string_len),
                                 "UTF-8", "MACINTOSH", nullptr, &written, nullptr);
    if (!converted)
        return {};
    std::string text(converted, written);
    g_free(converted);
    return text;
}

// How well a name-table entry serves: Windows' English first, then any Unicode entry, then Mac Roman; 0
// for an entry that cannot be decoded.
int nameRank(const FT_SfntName& name) {
    if (name.platform_id == TT_PLATFORM_MICROSOFT &&
        (name.encoding_id == TT_MS_ID_UNICODE_CS || name.encoding_id == TT_MS_ID_UCS_4))
        return name.language_id == TT_MS_LANGID_ENGLISH_UNITED_STATES ? 4 : 3;
    if (name.platform_id == TT_PLATFORM_APPLE_UNICODE)
        return 2;
    if (name.platform_id == TT_PLATFORM_MACINTOSH && name.encoding_id == TT_MAC_ID_ROMAN)
        return 1;
    return 0;
}

// The text of a name-table entry (the full name is entry 4), or empty when the font has none.
std::string sfntName(FT_Face face, FT_UShort nameID) {
    FT_SfntName best{};
    int bestRank = 0;
    const FT_UInt count = FT_Get_Sfnt_Name_Count(face);
    for (FT_UInt i = 0; i < count; ++i) {
        FT_SfntName name;
        if (FT_Get_Sfnt_Name(face, i, &name) != 0 || name.name_id != nameID)
            continue;
        if (const int rank = nameRank(name); rank > bestRank) {
            best = name;
            bestRank = rank;
        }
    }
    switch (bestRank) {
    case 0:
        return {};
    case 1:
        return decodeMacRoman(best);
    default:
        return decodeUTF16BigEndian(best);
    }
}

int weightClass(FT_Face face) {
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (!os2 || os2->version == 0xFFFF || os2->usWeightClass == 0)
        return 400;
    return std::min<int>(os2->usWeightClass, 1000);
}

std::optional<VLPlatformFontDescriptor::WeightAxis> readWeightAxis(FT_Face face) {
    if (!FT_HAS_MULTIPLE_MASTERS(face))
        return std::nullopt;
    FT_MM_Var* variations = nullptr;
    if (FT_Get_MM_Var(face, &variations) != 0)
        return std::nullopt;
    std::optional<VLPlatformFontDescriptor::WeightAxis> found;
    for (FT_UInt i = 0; i < variations->num_axis; ++i) {
        const FT_Var_Axis& axis = variations->axis[i];
        if (axis.tag == VLPlatformFontDescriptor::kWeightAxisTag) {
            found = VLPlatformFontDescriptor::WeightAxis{
                float(axis.minimum) / 65536.0f, float(axis.maximum) / 65536.0f, float(axis.def) / 65536.0f};
            break;
        }
    }
    FT_Done_MM_Var(VLFreeTypeFace::library(), variations);
    return found;
}

std::string textOrEmpty(const char* text) {
    return text ? VLUTF8ByDecodingLossily(text) : std::string();
}

} // namespace

std::shared_ptr<const VLPlatformFontDescriptor>
VLPlatformFontDescriptor::createWithData(std::shared_ptr<const VLData> bytes, long faceIndex) {
    return read(VLFreeTypeFace::open(bytes, faceIndex), bytes, {}, faceIndex);
}

std::shared_ptr<const VLPlatformFontDescriptor>
VLPlatformFontDescriptor::createWithFile(const std::string& path, long faceIndex) {
    return read(VLFreeTypeFace::open(path, faceIndex), nullptr, path, faceIndex);
}

std::shared_ptr<const VLPlatformFontDescriptor>
VLPlatformFontDescriptor::read(std::unique_ptr<VLFreeTypeFace> opened, std::shared_ptr<const VLData> bytes,
                               std::string path, long faceIndex) {
    if (!opened)
        return nullptr;
    FT_Face face = opened->face();
    // Only outline fonts of the sfnt family are fonts here; a face without glyphs draws nothing.
    if (!FT_IS_SFNT(face) || face->num_glyphs <= 0)
        return nullptr;
    std::shared_ptr<VLPlatformFontDescriptor> descriptor(new VLPlatformFontDescriptor());
    descriptor->_bytes = std::move(bytes);
    descriptor->_path = std::move(path);
    descriptor->_faceIndex = faceIndex;
    descriptor->_familyName = textOrEmpty(face->family_name);
    descriptor->_styleName = textOrEmpty(face->style_name);
    descriptor->_postScriptName = textOrEmpty(FT_Get_Postscript_Name(face));
    descriptor->_fullName = sfntName(face, TT_NAME_ID_FULL_NAME);
    if (descriptor->_fullName.empty())
        descriptor->_fullName = descriptor->_styleName.empty() || descriptor->_styleName == "Regular"
                                    ? descriptor->_familyName
                                    : descriptor->_familyName + " " + descriptor->_styleName;
    descriptor->_isItalic = (face->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
    descriptor->_weight = weightClass(face);
    descriptor->_weightAxis = readWeightAxis(face);
    return descriptor;
}

std::unique_ptr<VLFreeTypeFace> VLPlatformFontDescriptor::openFace() const {
    return _bytes ? VLFreeTypeFace::open(_bytes, _faceIndex) : VLFreeTypeFace::open(_path, _faceIndex);
}
