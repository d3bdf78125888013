#pragma once

#include "Platform/Text/VLPlatformFontDescriptor.h"

#include <fontconfig/fontconfig.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// The names of the four system fonts.
inline constexpr const char* VLFontSystemUI = "system-ui";
inline constexpr const char* VLFontSystemRounded = "ui-rounded";
inline constexpr const char* VLFontSystemMonospaced = "ui-monospace";
inline constexpr const char* VLFontSystemSerif = "ui-serif";

// A set of family names that can be asked with a string_view.
struct VLFontFamilyNameHash {
    using is_transparent = void;
    size_t operator()(std::string_view name) const { return std::hash<std::string_view>()(name); }
};
using VLFontFamilyNameSet = std::unordered_set<std::string, VLFontFamilyNameHash, std::equal_to<>>;

// The fonts installed on the machine, as fontconfig lists them: family names, font names, the face that
// serves a family at a style, the system fonts and the faces that draw what another face lacks. One
// configuration is loaded once per process and kept; any thread may call, and every fontconfig call takes
// the catalogue's lock.
//
// Some families that widgets name are not installed on Linux; they are aliases of metric-compatible ones:
// "Helvetica", "Arial" and "Helvetica Neue" stand for Liberation Sans, "Times" and "Times New Roman" for
// Liberation Serif, "Courier" and "Courier New" for Liberation Mono, each for the DejaVu family of its kind
// when Liberation is missing. The system fonts are DejaVu: "system-ui" and "ui-rounded" DejaVu Sans,
// "ui-monospace" DejaVu Sans Mono, "ui-serif" DejaVu Serif.
class VLFontCatalog {
public:
    static VLFontCatalog& shared();

    // Every family name of every installed font, and the alias names. Built on first use and kept.
    const VLFontFamilyNameSet& familyNames();
    // The same set built anew from the font list, as familyNames() builds it once.
    VLFontFamilyNameSet makeFamilyNames();

    // Whether an installed font's PostScript name or full name is the text, exactly.
    bool hasFontNamed(std::string_view name);
    // The installed face whose PostScript name or full name is the text, exactly or with ASCII case
    // ignored; nullptr when there is none.
    VLPlatformFontDescriptorRef faceNamed(std::string_view name, bool ignoringASCIICase = false);

    // The installed face of the family (or of the family an alias stands for) that serves the style best,
    // the CSS weight in OpenType's scale (1 to 1000); nullptr when no such family is installed.
    VLPlatformFontDescriptorRef faceForFamily(std::string_view family, bool italic, int weight);
    // The face of one of the four system fonts at the style; nullptr for any other name.
    VLPlatformFontDescriptorRef systemFace(std::string_view name, bool italic, int weight);

    // The installed face that draws a code point which `face` lacks: the first face of fontconfig's sorted
    // list for the face's family and style whose character set holds it (the list is kept per family and
    // style); nullptr when no installed face has it.
    VLPlatformFontDescriptorRef fallbackFace(const VLPlatformFontDescriptor& face, char32_t codePoint);

    // The installed family that an alias stands for, given the installed families: nothing for a name that
    // is no alias. Case is ignored.
    static std::optional<std::string> familyForAlias(std::string_view name,
                                                     const VLFontFamilyNameSet& installed);
    // The family that a system font is, or nothing for another name.
    static std::optional<std::string> familyForSystemFont(std::string_view name);

private:
    struct FallbackEntry {
        FcCharSet* characters; // a reference of its own
        std::string path;
        int index;
    };
    struct NameIndex {
        std::unordered_map<std::string, std::pair<std::string, int>> exact; // name → file, face index
        std::unordered_map<std::string, std::pair<std::string, int>>
            lowercase; // ASCII lower-case name → same
    };

    VLFontCatalog();
    const NameIndex& names();
    // The descriptor of an installed face, made once per file and index. Takes the lock.
    VLPlatformFontDescriptorRef descriptorFor(const std::string& path, int index);
    VLPlatformFontDescriptorRef match(const std::string& family, bool italic, int weight);
    const std::vector<FallbackEntry>& fallbackList(const VLPlatformFontDescriptor& face);

    FcConfig* _config;
    std::once_flag _familyNamesOnce;
    VLFontFamilyNameSet _familyNames;
    std::once_flag _namesOnce;
    NameIndex _names;
    std::mutex _lock; // guards fontconfig calls and the two caches below
    std::unordered_map<std::string, VLPlatformFontDescriptorRef> _descriptors;  // "index:path" → face
    std::unordered_map<std::string, std::vector<FallbackEntry>> _fallbackLists; // family and style → list
};

// The family names of the installed fonts and the alias names (VLFontCatalog::familyNames()).
const VLFontFamilyNameSet& VLFontFamilyNames();
