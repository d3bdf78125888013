// Fonts: resolving 10,000 CSS font strings drawn from 40 distinct ones, every one a cache hit, against
// only parsing them (goal: within 1.5x); and building the set of family names from the font list against
// fontconfig's own listing of the family names alone, on a configuration of its own loaded the same way
// (goal: within 1.2x). Prints CPU medians against those floors at the end, the repetitions taking turns.
// Run pinned: taskset -c 2 VLFontBenchmark.

#include "Modules/Canvas/Text/VLFontDescriptor.h"
#include "bench/Support/VLBenchmarkReporter.h"

#include <benchmark/benchmark.h>
#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kStrings = 10000;

// 40 distinct fonts whose first family resolves, so that every one is cached after the first round: 40
// keys, within the cache's 50.
std::vector<std::string> distinctFonts() {
    const char* families[] = {"Arial",       "\"Times New Roman\", serif",
                              "monospace",   "system-ui",
                              "DejaVu Sans", "Helvetica, Arial",
                              "ui-serif",    "Courier New",
                              "sans-serif",  "DejaVuSans-Bold"};
    const char* prefixes[] = {"", "italic ", "bold ", "300 "};
    std::vector<std::string> fonts;
    for (const char* prefix : prefixes) {
        for (size_t i = 0; i < std::size(families); ++i)
            fonts.push_back(std::string(prefix) + std::to_string(10 + i) + "px " + families[i]);
    }
    return fonts;
}

// 10,000 strings drawn in turn from the 40, each its own copy as a script's value would be.
const std::vector<std::string>& fontStrings() {
    static const std::vector<std::string> strings = [] {
        const std::vector<std::string> distinct = distinctFonts();
        std::vector<std::string> drawn;
        for (int i = 0; i < kStrings; ++i)
            drawn.push_back(distinct[size_t(i * 7) % distinct.size()]);
        return drawn;
    }();
    return strings;
}

void BM_ParseCSSFont(benchmark::State& state) {
    for (auto _ : state) {
        for (const std::string& font : fontStrings()) {
            bool italic = false;
            int32_t weight = 400;
            float size = 0;
            std::vector<std::string> families;
            benchmark::DoNotOptimize(VLFontDescriptor::parseCSSFont(font, italic, weight, size, families));
            benchmark::DoNotOptimize(families.data());
        }
    }
}

void BM_DescriptorWithCSSFont(benchmark::State& state) {
    for (auto _ : state) {
        for (const std::string& font : fontStrings())
            benchmark::DoNotOptimize(VLFontDescriptor::descriptorWithCSSFont(font, nullptr));
    }
}

void BM_FcFontListFamilies(benchmark::State& state) {
    FcConfig* config = FcInitLoadConfigAndFonts();
    for (auto _ : state) {
        FcPattern* all = FcPatternCreate();
        FcObjectSet* properties = FcObjectSetBuild(FC_FAMILY, nullptr);
        FcFontSet* fonts = FcFontList(config, all, properties);
        benchmark::DoNotOptimize(fonts);
        FcFontSetDestroy(fonts);
        FcObjectSetDestroy(properties);
        FcPatternDestroy(all);
    }
    FcConfigDestroy(config);
}

void BM_MakeFamilyNames(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(VLFontCatalog::shared().makeFamilyNames());
}

} // namespace

int main(int argc, char** argv) {
    // Every string resolves, and the cache holds each before the runs.
    for (const std::string& font : distinctFonts()) {
        if (!VLFontDescriptor::descriptorWithCSSFont(font, nullptr)) {
            std::fprintf(stderr, "%s does not resolve\n", font.c_str());
            return 1;
        }
    }
    // The repetitions of each benchmark and its floor take turns, so that a busy machine weighs on both
    // alike. A flag given on the command line still wins.
    std::vector<char*> arguments(argv, argv + argc);
    char interleaving[] = "--benchmark_enable_random_interleaving=true";
    arguments.insert(arguments.begin() + 1, interleaving);
    int count = int(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    VLBenchmarkReporter::registerRepeated("BM_ParseCSSFont", BM_ParseCSSFont);
    VLBenchmarkReporter::registerRepeated("BM_DescriptorWithCSSFont", BM_DescriptorWithCSSFont);
    VLBenchmarkReporter::registerRepeated("BM_FcFontListFamilies", BM_FcFontListFamilies);
    VLBenchmarkReporter::registerRepeated("BM_MakeFamilyNames", BM_MakeFamilyNames);
    VLBenchmarkReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("resolving a CSS font string, a cache hit", "BM_DescriptorWithCSSFont",
                        "BM_ParseCSSFont", 1.5, kStrings);
    reporter.printRatio("building the family names", "BM_MakeFamilyNames", "BM_FcFontListFamilies", 1.2);
    benchmark::Shutdown();
    return 0;
}
