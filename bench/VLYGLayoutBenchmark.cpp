// Attaching and laying out a tree of 1,011 components through VLYGLayout (the node tree brought in line
// with the components, Yoga's calculation, rounded frames handed back) against the same tree built and
// laid out with Yoga's C interface alone, its leaves measured as the wrapper's are, reading each node's
// frame. Every iteration gives the root a width it has not had lately (Yoga keeps the results of recent
// widths), so that the whole tree is laid out again. Goal: within 1.3x.
// A full pass of the component tree, from the same styles as scripts give them (the root's new style read
// into its node) to every changed frame queued as a screen update (run as the pass ends, as this thread
// is the main thread), against the same Yoga floor. Goal: within 2x.
// Prints the medians of CPU time against the floor. Run pinned: taskset -c 2 VLYGLayoutBenchmark.

#include "Modules/Window/Component/VLComponent.h"
#include "bench/Support/VLBenchmarkReporter.h"

#include <benchmark/benchmark.h>

namespace {

// Root → 10 rows → 10 cells each → 9 leaves each.
constexpr int kFanOut[] = {10, 10, 9};
double sink = 0;

// Cycles through more widths than Yoga remembers results for.
float nextWidth(int& turn) {
    return float(500 + turn++ % 400);
}

// The same styles for both trees, by depth.
void styleNode(YGNodeRef node, int depth, int index) {
    switch (depth) {
    case 0:
        YGNodeStyleSetFlexDirection(node, YGFlexDirectionColumn);
        YGNodeStyleSetPadding(node, YGEdgeAll, 4);
        break;
    case 1:
        YGNodeStyleSetFlexDirection(node, YGFlexDirectionRow);
        YGNodeStyleSetFlexWrap(node, YGWrapWrap);
        YGNodeStyleSetMargin(node, YGEdgeAll, 2);
        break;
    case 2:
        YGNodeStyleSetFlexGrow(node, float(1 + index % 3));
        YGNodeStyleSetFlexDirection(node, YGFlexDirectionColumn);
        YGNodeStyleSetPadding(node, YGEdgeAll, 1);
        break;
    default:
        YGNodeStyleSetHeight(node, 10);
        YGNodeStyleSetFlexBasis(node, float(5 + index));
        YGNodeStyleSetMargin(node, YGEdgeAll, 1);
        break;
    }
}

std::shared_ptr<VLComponent> makeComponentTree(int depth = 0, int index = 0) {
    std::shared_ptr<VLComponent> component = VLComponent::create();
    styleNode(component->yoga().node(), depth, index);
    if (depth < 3)
        for (int i = 0; i < kFanOut[depth]; ++i)
            component->addComponent(makeComponentTree(depth + 1, i), -1);
    return component;
}

// The styles of styleNode as dictionaries.
VLDictionary styleOf(int depth, int index) {
    switch (depth) {
    case 0:
        return {{"flexDirection", "column"},
                {"paddingLeft", 4},
                {"paddingTop", 4},
                {"paddingRight", 4},
                {"paddingBottom", 4}};
    case 1:
        return {{"flexDirection", "row"}, {"flexWrap", "wrap"}, {"marginLeft", 2},
                {"marginTop", "2px"},     {"marginRight", 2},   {"marginBottom", 2}};
    case 2:
        return {{"flexGrow", 1 + index % 3}, {"flexDirection", "column"}, {"paddingLeft", 1},
                {"paddingTop", 1},           {"paddingRight", 1},         {"paddingBottom", 1}};
    default:
        return {{"height", 10},   {"flexBasis", 5 + index}, {"marginLeft", 1},
                {"marginTop", 1}, {"marginRight", 1},       {"marginBottom", 1}};
    }
}

std::shared_ptr<VLComponent> makeStyledComponentTree(int depth = 0, int index = 0) {
    std::shared_ptr<VLComponent> component = VLComponent::create(styleOf(depth, index));
    if (depth < 3)
        for (int i = 0; i < kFanOut[depth]; ++i)
            component->addComponent(makeStyledComponentTree(depth + 1, i), -1);
    return component;
}

// The configuration VLYGLayout's nodes share.
YGConfigRef makeConfig() {
    YGConfigRef config = YGConfigNew();
    YGConfigSetLogger(config,
                      [](YGConfigConstRef, YGNodeConstRef, YGLogLevel, const char*, va_list) { return 0; });
    YGConfigSetPointScaleFactor(config, 2.0f);
    YGConfigSetUseWebDefaults(config, true);
    return config;
}

// A leaf that measures as nothing, as a component without content does.
YGSize measureNothing(YGNodeConstRef, float width, YGMeasureMode widthMode, float height,
                      YGMeasureMode heightMode) {
    return {widthMode == YGMeasureModeExactly ? width : 0, heightMode == YGMeasureModeExactly ? height : 0};
}

YGNodeRef makeYogaTree(YGConfigRef config, int depth = 0, int index = 0) {
    YGNodeRef node = YGNodeNewWithConfig(config);
    styleNode(node, depth, index);
    if (depth < 3) {
        for (int i = 0; i < kFanOut[depth]; ++i)
            YGNodeInsertChild(node, makeYogaTree(config, depth + 1, i), size_t(i));
    } else {
        YGNodeSetMeasureFunc(node, measureNothing);
    }
    return node;
}

void readFrames(YGNodeRef node) {
    sink += YGNodeLayoutGetLeft(node) + YGNodeLayoutGetTop(node) + YGNodeLayoutGetWidth(node) +
            YGNodeLayoutGetHeight(node);
    for (size_t i = 0; i < YGNodeGetChildCount(node); ++i)
        readFrames(YGNodeGetChild(node, i));
}

void BM_YogaAlone(benchmark::State& state) {
    YGConfigRef config = makeConfig();
    YGNodeRef root = makeYogaTree(config);
    int turn = 0;
    for (auto _ : state) {
        YGNodeStyleSetWidth(root, nextWidth(turn));
        YGNodeCalculateLayout(root, YGUndefined, YGUndefined, YGDirectionLTR);
        readFrames(root);
    }
    YGNodeFreeRecursive(root);
    YGConfigFree(config);
}
BENCHMARK(BM_YogaAlone)
    ->Repetitions(VLBenchmarkReporter::kRepetitions)
    ->ReportAggregatesOnly()
    ->Unit(benchmark::kMicrosecond);

void BM_VLYGLayout(benchmark::State& state) {
    std::shared_ptr<VLComponent> root = makeComponentTree();
    int turn = 0;
    for (auto _ : state) {
        YGNodeStyleSetWidth(root->yoga().node(), nextWidth(turn));
        root->yoga().applyLayoutPreservingOrigin(false, VLYGDimensionFlexibilityFlexibleWidth |
                                                            VLYGDimensionFlexibilityFlexibleHeight);
    }
    sink += root->frame().size.width;
}
BENCHMARK(BM_VLYGLayout)
    ->Repetitions(VLBenchmarkReporter::kRepetitions)
    ->ReportAggregatesOnly()
    ->Unit(benchmark::kMicrosecond);

void BM_ComponentLayoutPass(benchmark::State& state) {
    std::shared_ptr<VLComponent> root = makeStyledComponentTree();
    VLDictionary style = styleOf(0, 0);
    int turn = 0;
    for (auto _ : state) {
        style.set("width", double(nextWidth(turn)));
        root->updateStyle(style);
        root->setNeedsLayout();
    }
    sink += root->frame().size.width;
}
BENCHMARK(BM_ComponentLayoutPass)
    ->Repetitions(VLBenchmarkReporter::kRepetitions)
    ->ReportAggregatesOnly()
    ->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    VLBenchmarkReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("layout of 1,011 nodes", "BM_VLYGLayout", "BM_YogaAlone", 1.3);
    reporter.printRatio("component layout pass of 1,011 components", "BM_ComponentLayoutPass", "BM_YogaAlone",
                        2.0);
    benchmark::Shutdown();
    return sink == -1;
}
