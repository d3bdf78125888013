// Appending siblings to one component whose view is loaded, as a script appends children: the tree,
// the layout node and the view and layer of each (this thread is the main thread too, so the view work
// runs at once), against the floor of inserting as many bare Yoga nodes at the end of one node. Prints
// the cost per append at 10,000, 40,000 and 100,000 siblings beside that floor: both stay flat as the
// count grows. Run pinned: taskset -c 2 VLComponentAppendBenchmark.

#include "Modules/Window/Component/VLComponent.h"
#include "Platform/WindowServer/VLWSView.h"
#include "bench/Support/VLBenchmarkReporter.h"

#include <benchmark/benchmark.h>
#include <yoga/Yoga.h>

#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kSiblingCounts[] = {10000, 40000, 100000};

void appendComponents(benchmark::State& state, int count) {
    for (auto _ : state) {
        state.PauseTiming();
        std::shared_ptr<VLComponent> parent = VLComponent::create();
        parent->view();
        std::vector<std::shared_ptr<VLComponent>> children;
        for (int i = 0; i < count; ++i)
            children.push_back(VLComponent::create());
        state.ResumeTiming();
        for (const std::shared_ptr<VLComponent>& child : children)
            parent->addComponent(child, -1);
        state.PauseTiming();
        if (parent->view()->subviews().size() != size_t(count))
            state.SkipWithError("the views did not follow");
        children.clear();
        parent.reset();
        state.ResumeTiming();
    }
}

void insertYogaNodes(benchmark::State& state, int count) {
    for (auto _ : state) {
        state.PauseTiming();
        YGNodeRef parent = YGNodeNew();
        std::vector<YGNodeRef> children;
        for (int i = 0; i < count; ++i)
            children.push_back(YGNodeNew());
        state.ResumeTiming();
        for (size_t i = 0; i < children.size(); ++i)
            YGNodeInsertChild(parent, children[i], i);
        state.PauseTiming();
        YGNodeFreeRecursive(parent);
        state.ResumeTiming();
    }
}

std::string nameFor(const char* what, int count) {
    return std::string(what) + "/" + std::to_string(count);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    for (int count : kSiblingCounts) {
        using Body = void (*)(benchmark::State&, int);
        const std::pair<const char*, Body> bodies[] = {{"BM_AppendComponents", appendComponents},
                                                       {"BM_InsertYogaNodes", insertYogaNodes}};
        for (const auto& [what, body] : bodies) {
            benchmark::RegisterBenchmark(nameFor(what, count).c_str(), body, count)
                ->Iterations(3)
                ->Repetitions(VLBenchmarkReporter::kRepetitions)
                ->ReportAggregatesOnly()
                ->Unit(benchmark::kMillisecond);
        }
    }
    VLBenchmarkReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (int count : kSiblingCounts) {
        const std::string label = "one append among " + std::to_string(count) + " siblings";
        reporter.printRatio(label.c_str(), nameFor("BM_AppendComponents", count),
                            nameFor("BM_InsertYogaNodes", count), 1000, count);
    }
    benchmark::Shutdown();
    return 0;
}
