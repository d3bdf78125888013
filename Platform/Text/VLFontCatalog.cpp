#include "Platform/Text/VLFontCatalog.h"

#include "Platform/Foundation/VLUnicode.h"

#include <algorithm>
#include <array>

namespace {

struct FamilyAlias {
    const char* name;
    const char* family;
    const char* fallback; // the DejaVu family of the same kind, for a machine without Liberation
};

constexpr std::array<FamilyAlias, 7> kFamilyAliases = {{
    {"Helvetica", "Liberation Sans", "DejaVu Sans"},
    {"Arial", "Liberation Sans", "DejaVu Sans"},
    {"Helvetica Neue", "Liberation Sans", "DejaVu Sans"},
    {"Times", "Liberation Serif", "DejaVu Serif"},
    {"Times New Roman", "Liberation Serif", "DejaVu Serif"},
    {"Courier", "Liberation Mono", "DejaVu Sans Mono"},
    {"Courier New", "Liberation Mono", "DejaVu Sans Mono"},
}};

struct SystemFont {
    const char* name;
    const char* family;
};

// There is no rounded or serif system design here: the rounded font is the plain one.
constexpr std::array<SystemFont, 4> kSystemFonts = {{
    {VLFontSystemUI, "DejaVu Sans"},
    {VLFontSystemRounded, "DejaVu Sans"},
    {VLFontSystemMonospaced, "DejaVu Sans Mono"},
    {VLFontSystemSerif, "DejaVu Serif"},
}};

bool equalIgnoringASCIICase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && VLASCIILowercaseString(a) == VLASCIILowercaseString(b);
}

std::string stringOf(const FcChar8* text) {
    return std::string(reinterpret_cast<const char*>(text));
}

const FcChar8* fcString(const std::string& text) {
    return reinterpret_cast<const FcChar8*>(text.c_str());
}

// Every string value of one property of a pattern, in order.
template <typename Visit>
void forEachString(FcPattern* pattern, const char* property, Visit visit) {
    FcChar8* value = nullptr;
    for (int n = 0; FcPatternGetString(pattern, property, n, &value) == FcResultMatch; ++n)
        visit(stringOf(value));
}

// A pattern asking for a family at a style, with the configuration's and the defaults' substitutions made.
FcPattern* makeStylePattern(FcConfig* config, const std::string& family, bool italic, int weight) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, fcString(family));
    FcPatternAddDouble(pattern, FC_WEIGHT, FcWeightFromOpenTypeDouble(double(std::clamp(weight, 1, 1000))));
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    return pattern;
}

// A family name as fontconfig compares them: blanks and ASCII case ignored.
std::string comparedFamily(std::string_view family) {
    std::string compared = VLASCIILowercaseString(family);
    std::erase(compared, ' ');
    return compared;
}

bool hasFamily(FcPattern* font, const std::string& family) {
    const std::string wanted = comparedFamily(family);
    bool found = false;
    forEachString(font, FC_FAMILY,
                  [&](const std::string& name) { found = found || comparedFamily(name) == wanted; });
    return found;
}

std::optional<std::pair<std::string, int>> fileOf(FcPattern* font) {
    FcChar8* file = nullptr;
    int index = 0;
    if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch)
        return std::nullopt;
    FcPatternGetInteger(font, FC_INDEX, 0, &index);
    return std::make_pair(stringOf(file), index);
}

} // namespace

VLFontCatalog& VLFontCatalog::shared() {
    // Kept for the process's life: faces handed out refer to what it loaded.
    static VLFontCatalog* catalog = new VLFontCatalog();
    return *catalog;
}

VLFontCatalog::VLFontCatalog() : _config(FcInitLoadConfigAndFonts()) {}

const VLFontFamilyNameSet& VLFontFamilyNames() {
    return VLFontCatalog::shared().familyNames();
}

const VLFontFamilyNameSet& VLFontCatalog::familyNames() {
    std::call_once(_familyNamesOnce, [this] { _familyNames = makeFamilyNames(); });
    return _familyNames;
}

VLFontFamilyNameSet VLFontCatalog::makeFamilyNames() {
    VLFontFamilyNameSet families;
    if (_config) {
        std::lock_guard lock(_lock);
        FcPattern* all = FcPatternCreate();
        FcObjectSet* properties = FcObjectSetBuild(FC_FAMILY, nullptr);
        if (FcFontSet* fonts = FcFontList(_config, all, properties)) {
            // Most families have several faces: a name is copied only the first time it comes.
            families.reserve(size_t(fonts->nfont) + kFamilyAliases.size());
            for (int i = 0; i < fonts->nfont; ++i) {
                FcChar8* value = nullptr;
                for (int n = 0; FcPatternGetString(fonts->fonts[i], FC_FAMILY, n, &value) == FcResultMatch;
                     ++n) {
                    const std::string_view name(reinterpret_cast<const char*>(value));
                    if (!families.contains(name))
                        families.emplace(name);
                }
            }
            FcFontSetDestroy(fonts);
        }
        FcObjectSetDestroy(properties);
        FcPatternDestroy(all);
    }
    for (const FamilyAlias& alias : kFamilyAliases)
        families.insert(alias.name);
    return families;
}

const VLFontCatalog::NameIndex& VLFontCatalog::names() {
    std::call_once(_namesOnce, [this] {
        if (!_config)
            return;
        std::lock_guard lock(_lock);
        FcPattern* all = FcPatternCreate();
        FcObjectSet* properties =
            FcObjectSetBuild(FC_POSTSCRIPT_NAME, FC_FULLNAME, FC_FILE, FC_INDEX, nullptr);
        if (FcFontSet* fonts = FcFontList(_config, all, properties)) {
            for (int i = 0; i < fonts->nfont; ++i) {
                std::optional<std::pair<std::string, int>> file = fileOf(fonts->fonts[i]);
                if (!file)
                    continue;
                auto add = [&](const std::string& name) {
                    _names.exact.try_emplace(name, *file);
                    _names.lowercase.try_emplace(VLASCIILowercaseString(name), *file);
                };
                forEachString(fonts->fonts[i], FC_POSTSCRIPT_NAME, add);
                forEachString(fonts->fonts[i], FC_FULLNAME, add);
            }
            FcFontSetDestroy(fonts);
        }
        FcObjectSetDestroy(properties);
        FcPatternDestroy(all);
    });
    return _names;
}

bool VLFontCatalog::hasFontNamed(std::string_view name) {
    return names().exact.count(std::string(name)) > 0;
}

VLPlatformFontDescriptorRef VLFontCatalog::faceNamed(std::string_view name, bool ignoringASCIICase) {
    const NameIndex& index = names();
    const auto& table = ignoringASCIICase ? index.lowercase : index.exact;
    auto found = table.find(ignoringASCIICase ? VLASCIILowercaseString(name) : std::string(name));
    if (found == table.end())
        return nullptr;
    return descriptorFor(found->second.first, found->second.second);
}

std::optional<std::string> VLFontCatalog::familyForAlias(std::string_view name,
                                                         const VLFontFamilyNameSet& installed) {
    for (const FamilyAlias& alias : kFamilyAliases) {
        if (equalIgnoringASCIICase(name, alias.name))
            return installed.count(alias.family) ? alias.family : alias.fallback;
    }
    return std::nullopt;
}

std::optional<std::string> VLFontCatalog::familyForSystemFont(std::string_view name) {
    for (const SystemFont& font : kSystemFonts) {
        if (name == font.name)
            return font.family;
    }
    return std::nullopt;
}

VLPlatformFontDescriptorRef VLFontCatalog::faceForFamily(std::string_view family, bool italic, int weight) {
    std::optional<std::string> aliased = familyForAlias(family, familyNames());
    return match(aliased ? *aliased : std::string(family), italic, weight);
}

VLPlatformFontDescriptorRef VLFontCatalog::systemFace(std::string_view name, bool italic, int weight) {
    std::optional<std::string> family = familyForSystemFont(name);
    return family ? match(*family, italic, weight) : nullptr;
}

VLPlatformFontDescriptorRef VLFontCatalog::match(const std::string& family, bool italic, int weight) {
    if (!_config || family.empty())
        return nullptr;
    std::optional<std::pair<std::string, int>> file;
    {
        std::lock_guard lock(_lock);
        FcPattern* pattern = makeStylePattern(_config, family, italic, weight);
        FcResult result = FcResultNoMatch;
        // fontconfig always answers with some font: it serves only when it is of the family asked for.
        if (FcPattern* font = FcFontMatch(_config, pattern, &result)) {
            if (hasFamily(font, family))
                file = fileOf(font);
            FcPatternDestroy(font);
        }
        FcPatternDestroy(pattern);
    }
    return file ? descriptorFor(file->first, file->second) : nullptr;
}

VLPlatformFontDescriptorRef VLFontCatalog::descriptorFor(const std::string& path, int index) {
    std::lock_guard lock(_lock);
    VLPlatformFontDescriptorRef& descriptor = _descriptors[std::to_string(index) + ":" + path];
    if (!descriptor)
        descriptor = VLPlatformFontDescriptor::createWithFile(path, index);
    return descriptor;
}

const std::vector<VLFontCatalog::FallbackEntry>&
VLFontCatalog::fallbackList(const VLPlatformFontDescriptor& face) {
    const std::string key =
        face.familyName() + "\n" + std::to_string(face.weight()) + (face.isItalic() ? "i" : "");
    auto [entry, inserted] = _fallbackLists.try_emplace(key);
    if (!inserted)
        return entry->second;
    FcPattern* pattern = makeStylePattern(_config, face.familyName(), face.isItalic(), face.weight());
    FcResult result = FcResultNoMatch;
    // Trimmed: a font that adds no character to those before it can never be the first to hold one.
    if (FcFontSet* sorted = FcFontSort(_config, pattern, FcTrue, nullptr, &result)) {
        for (int i = 0; i < sorted->nfont; ++i) {
            FcCharSet* characters = nullptr;
            std::optional<std::pair<std::string, int>> file = fileOf(sorted->fonts[i]);
            if (file && FcPatternGetCharSet(sorted->fonts[i], FC_CHARSET, 0, &characters) == FcResultMatch)
                entry->second.push_back({FcCharSetCopy(characters), file->first, file->second});
        }
        FcFontSetDestroy(sorted);
    }
    FcPatternDestroy(pattern);
    return entry->second;
}

VLPlatformFontDescriptorRef VLFontCatalog::fallbackFace(const VLPlatformFontDescriptor& face,
                                                        char32_t codePoint) {
    if (!_config)
        return nullptr;
    std::optional<std::pair<std::string, int>> file;
    {
        std::lock_guard lock(_lock);
        for (const FallbackEntry& entry : fallbackList(face)) {
            if (FcCharSetHasChar(entry.characters, FcChar32(codePoint))) {
                file = std::make_pair(entry.path, entry.index);
                break;
            }
        }
    }
    return file ? descriptorFor(file->first, file->second) : nullptr;
}
