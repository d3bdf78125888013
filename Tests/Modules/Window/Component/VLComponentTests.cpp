#include "Modules/Window/Component/VLComponent.h"

#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Core/Engine/Support/VLScopeExit.h"
#include "Core/Runtime/VLBundle.h"
#include "Core/Runtime/VLRuntime.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/Foundation/VLManualDelayScheduler.h"
#include "Tests/Support/VLColorPrinter.h"
#include "Tests/Support/VLLogCapture.h"
#include "Tests/Support/VLTestSignal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

// A component that tells what reaches its hooks. Its work on the main queue runs inline, as the test
// thread is the main thread.
class Probe : public VLComponent {
public:
    static std::shared_ptr<Probe> make(std::string name, Log* log = nullptr, bool holdsLargeMedia = false) {
        std::shared_ptr<Probe> probe(new Probe(std::move(name), log, holdsLargeMedia));
        probe->initWithStyle({}, {}, {});
        return probe;
    }

    bool isViewLoaded() const override { return viewLoaded; }
    bool viewLoaded = true;

    std::vector<std::string> childNames() const {
        std::vector<std::string> names;
        for (const auto& child : subcomponents())
            names.push_back(static_cast<Probe&>(*child).name);
        return names;
    }

    const std::string name;

protected:
    Probe(std::string name, Log* log, bool holdsLargeMedia)
        : name(std::move(name)), _log(log), _holdsLarge(holdsLargeMedia) {}

    void record(const std::string& line) const {
        if (_log)
            _log->push_back(line);
    }
    void _updateStyleOnMainThread() override { record("style " + name); }
    void _updateAttributesOnMainThread() override { record("attributes " + name); }
    void _insertSubview(const std::shared_ptr<VLComponent>& child, bool) override {
        record("insert " + static_cast<Probe&>(*child).name + " into " + name);
    }
    void _removeFromSuperview() override { record("remove " + name); }
    void inWindowDidChange(bool inWindow) override { record(name + (inWindow ? " in" : " out")); }
    bool _holdsLargeMedia() const override { return _holdsLarge || VLComponent::_holdsLargeMedia(); }

private:
    Log* _log;
    const bool _holdsLarge;
};

// Stands in for a window: the root that is shown while it lives, and reports to a runtime.
class TestWindow final : public Probe {
public:
    static std::shared_ptr<TestWindow> make(std::string name, Log* log = nullptr) {
        std::shared_ptr<TestWindow> window(new TestWindow(std::move(name), log));
        window->initWithStyle({}, {}, {});
        return window;
    }

    bool canBecomeSubcomponent(const VLComponent*) const override { return false; }
    bool isInWindow() const override { return !destroyed; }
    bool isTopLevel() const override { return true; }
    std::shared_ptr<VLRuntime> runtime() const override { return runtimeForWindow.lock(); }

    bool destroyed = false;
    std::weak_ptr<VLRuntime> runtimeForWindow;

private:
    TestWindow(std::string name, Log* log) : Probe(std::move(name), log, false) {}
};

std::vector<YGNodeRef> nodeChildren(const VLComponent& component) {
    std::vector<YGNodeRef> nodes;
    for (size_t i = 0; i < YGNodeGetChildCount(component.yoga().node()); ++i)
        nodes.push_back(YGNodeGetChild(component.yoga().node(), i));
    return nodes;
}

TEST(VLComponent, ConstructionKeepsTheGivenStyleAttributesAndEvents) {
    auto component = VLComponent::create({{"width", 10}, {"backgroundColor", "red"}}, {{"src", "a.png"}},
                                         {"click", 3, "", "mousemove", "click"});
    EXPECT_EQ(component->events(), (std::vector<std::string>{"click", "mousemove", "click"}));
    EXPECT_EQ(component->attributes(), (VLDictionary{{"src", "a.png"}}));
    EXPECT_EQ(component->style(), (VLDictionary{{"width", 10}, {"backgroundColor", "red"}}));
    EXPECT_EQ(component->backgroundColor(), VLColor::redColor());
    EXPECT_TRUE(component->yoga().isEnabled());
    EXPECT_TRUE(component->identifier().starts_with("0x"));
    EXPECT_NE(component->identifier(), VLComponent::create()->identifier());
}

TEST(VLComponent, ChildrenMoveBetweenParentsInOrder) {
    Log log;
    auto first = Probe::make("first", &log);
    auto second = Probe::make("second", &log);
    auto a = Probe::make("a", &log), b = Probe::make("b", &log), c = Probe::make("c", &log);
    first->addComponent(a, -1);
    first->addComponent(c, 1);
    first->addComponent(b, 1);
    EXPECT_EQ(first->childNames(), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(nodeChildren(*first),
              (std::vector<YGNodeRef>{a->yoga().node(), b->yoga().node(), c->yoga().node()}));

    log.clear();
    second->addComponent(b, 0);
    EXPECT_EQ(first->childNames(), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(second->childNames(), (std::vector<std::string>{"b"}));
    EXPECT_EQ(b->parent(), second);
    EXPECT_EQ(nodeChildren(*first), (std::vector<YGNodeRef>{a->yoga().node(), c->yoga().node()}));
    EXPECT_EQ(nodeChildren(*second), (std::vector<YGNodeRef>{b->yoga().node()}));
    // The old superview loses the view before the new one takes it.
    EXPECT_EQ(log, (Log{"remove b", "insert b into second"}));

    // Within one parent, the index counts once the child has left.
    first->addComponent(a, 1);
    EXPECT_EQ(first->childNames(), (std::vector<std::string>{"c", "a"}));

    a->removeFromParent();
    EXPECT_EQ(a->parent(), nullptr);
    EXPECT_TRUE(a->isRoot());
    EXPECT_EQ(first->childNames(), (std::vector<std::string>{"c"}));
    EXPECT_EQ(nodeChildren(*first), (std::vector<YGNodeRef>{c->yoga().node()}));
}

TEST(VLComponent, RefusedChildrenAndCyclesChangeNothingSilently) {
    VLLogCapture capture(0);
    Log log;
    auto parent = Probe::make("parent", &log);
    auto child = Probe::make("child", &log);
    auto grandchild = Probe::make("grandchild", &log);
    parent->addComponent(child, -1);
    child->addComponent(grandchild, -1);
    log.clear();

    parent->addComponent(parent, -1);
    grandchild->addComponent(parent, -1);
    child->addComponent(parent, 0);
    parent->addComponent(nullptr, -1);
    parent->addComponent(TestWindow::make("window"), -1);

    EXPECT_EQ(parent->parent(), nullptr);
    EXPECT_EQ(parent->childNames(), (std::vector<std::string>{"child"}));
    EXPECT_EQ(child->childNames(), (std::vector<std::string>{"grandchild"}));
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(capture.lines().empty());
}

TEST(VLComponent, IndexesOutOfRangeAreLoggedAndChangeNothing) {
    VLLogCapture capture(0);
    Log log;
    auto parent = Probe::make("parent", &log);
    auto child = Probe::make("child", &log);
    parent->addComponent(Probe::make("first"), -1);
    log.clear();

    parent->addComponent(child, 2);
    parent->addComponent(child, -2);
    EXPECT_EQ(capture.lines(), (std::vector<std::string>{
                                   "the index of inserted 2 is out of range as the current is 1",
                                   "the index of inserted -2 is out of range as the current is 1",
                               }));
    EXPECT_EQ(parent->childNames(), (std::vector<std::string>{"first"}));
    EXPECT_EQ(child->parent(), nullptr);
    EXPECT_EQ(parent->yoga().numberOfChildren(), 1u);
    EXPECT_TRUE(log.empty()) << "no view is touched";

    parent->addComponent(child, 1); // the count itself appends
    EXPECT_EQ(parent->childNames(), (std::vector<std::string>{"first", "child"}));
}

TEST(VLComponent, ListeningIsCounted) {
    auto component = VLComponent::create();
    component->addEvent("click");
    component->addEvent("click");
    component->addEvent("wheel");
    component->removeEvent("click");
    component->removeEvent("mouseup");
    EXPECT_EQ(component->events(), (std::vector<std::string>{"click", "wheel"}));
}

TEST(VLComponent, InWindowNewsReachTheWholeSubtreeDepthFirst) {
    Log log;
    auto window = TestWindow::make("window", &log);
    auto box = Probe::make("box", &log);
    auto inner = Probe::make("inner", &log);
    auto leaf = Probe::make("leaf", &log);
    auto sibling = Probe::make("sibling", &log);
    inner->addComponent(leaf, -1);
    box->addComponent(inner, -1);
    box->addComponent(sibling, -1);
    EXPECT_FALSE(leaf->isInWindow());
    log.clear();

    window->addComponent(box, -1);
    EXPECT_EQ(log, (Log{"box in", "inner in", "leaf in", "sibling in", "insert box into window"}));
    EXPECT_TRUE(leaf->isInWindow());
    EXPECT_EQ(leaf->root(), window);

    log.clear();
    inner->removeFromParent(); // a detached subtree of its own
    EXPECT_EQ(log, (Log{"inner out", "leaf out", "remove inner"}));

    log.clear();
    box->removeFromParent();
    EXPECT_EQ(log, (Log{"box out", "sibling out", "remove box"}));
}

class VLComponentGarbageCollectionTest : public testing::Test {
protected:
    void SetUp() override {
        VLDelayScheduler::setShared(scheduler);
        runtime = VLRuntime::create(std::make_shared<VLBundle>("/nonexistent/package"));
        window->runtimeForWindow = runtime;
    }

    void TearDown() override {
        VLDelayScheduler::setShared(nullptr);
        std::shared_ptr<VLRunLoopThread> thread = runtime->engine()->runLoop()->thread();
        runtime.reset();
        EXPECT_TRUE(thread->waitUntilFinished(std::chrono::seconds(20)));
    }

    // Whether removing the child from its parent asked the window's runtime for a collection.
    bool removalAsksForCollection(const std::shared_ptr<VLComponent>& child) {
        const size_t before = scheduler->pendingCount();
        child->removeFromParent();
        const bool asked = scheduler->pendingCount() > before;
        scheduler->advance(1);
        runtime->engine()->runLoop()->performBlockSync([] {});
        return asked;
    }

    std::shared_ptr<VLManualDelayScheduler> scheduler = std::make_shared<VLManualDelayScheduler>();
    std::shared_ptr<VLRuntime> runtime;
    std::shared_ptr<TestWindow> window = TestWindow::make("window");
};

TEST_F(VLComponentGarbageCollectionTest, OnlyLargeMediaLeavingAShownWindowAsks) {
    auto box = Probe::make("box");
    box->addComponent(Probe::make("video", nullptr, true), -1);
    window->addComponent(box, -1);
    EXPECT_TRUE(removalAsksForCollection(box)) << "a subtree that holds media";

    auto plain = Probe::make("plain");
    window->addComponent(plain, -1);
    EXPECT_FALSE(removalAsksForCollection(plain));

    auto media = Probe::make("image", nullptr, true);
    box->addComponent(media, -1);
    EXPECT_FALSE(removalAsksForCollection(media)) << "from a detached parent";

    window->addComponent(media, -1);
    window->destroyed = true;
    EXPECT_FALSE(removalAsksForCollection(media)) << "from a window no longer shown";
}

TEST(VLComponent, EqualUpdatesQueueNoMainThreadWork) {
    Log log;
    auto component = Probe::make("box", &log);
    component->updateStyle({{"width", 10}, {"height", "50%"}});
    component->updateStyle({{"height", "50%"}, {"width", 10.0}}); // equal: order and number form aside
    EXPECT_EQ(log, (Log{"style box"}));

    log.clear();
    component->updateAttributes({{"a", 1}, {"b", 2}});
    component->updateAttributes({{"a", 1}, {"b", 2}});
    component->updateAttributes({{"a", 1}}); // a part of them counts as a change
    EXPECT_EQ(log, (Log{"attributes box", "attributes box"}));
    EXPECT_EQ(component->attributes(), (VLDictionary{{"a", 1}, {"b", 2}}));

    log.clear();
    component->viewLoaded = false;
    component->updateStyle({{"width", 20}});
    EXPECT_TRUE(log.empty()) << "no view, no main-thread work";
    EXPECT_EQ(component->style(), (VLDictionary{{"width", 20}})) << "replaced whole";
}

TEST(VLComponent, OpacityAndBackgroundColorFallBackOnBadValues) {
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    const std::pair<VLValue, float> opacities[] = {
        {VLValue(), 1}, {0.25, 0.25},   {"50%", 0.5}, {"0.5", 0.5},         {"0.5px", 1},
        {nan, 1},       {-HUGE_VAL, 1}, {1e300, 1},   {VLValue::null(), 1}, {VLArray{1}, 1},
    };
    auto component = VLComponent::create();
    for (const auto& [value, opacity] : opacities) {
        component->updateStyle({{"opacity", value}, {"backgroundColor", VLArray{}}});
        EXPECT_EQ(component->opacity(), opacity) << value.description();
        EXPECT_EQ(component->backgroundColor(), VLColor::whiteColor()) << "any other kind of value";
    }
    component->updateStyle({});
    EXPECT_EQ(component->opacity(), 1);
    EXPECT_EQ(component->backgroundColor(), std::nullopt);
}

TEST(VLComponent, AChildStyledWhileDetachedIsStyledAgainWhenInserted) {
    class Counting final : public VLComponent {
    public:
        static std::shared_ptr<Counting> make() {
            std::shared_ptr<Counting> counting(new Counting());
            counting->initWithStyle({{"width", 3}}, {}, {});
            return counting;
        }
        std::vector<VLDictionary> styles;

    private:
        void _updateStyleOnComponentThread(const VLDictionary& style) override {
            VLComponent::_updateStyleOnComponentThread(style);
            styles.push_back(style);
        }
    };
    auto child = Counting::make();
    VLComponent::create()->addComponent(child, -1);
    EXPECT_EQ(child->styles, (std::vector<VLDictionary>{{{"width", 3}}, {{"width", 3}}}));
}

TEST(VLComponent, MainQueueWorkSkipsAComponentReleasedMeanwhile) {
    std::shared_ptr<VLRunLoopThread> thread = VLRunLoopThread::create("app.velto.test-components");
    std::shared_ptr<VLRunLoop> runLoop = VLRunLoop::create(thread);
    Log log;
    runLoop->performBlockSync([&] {
        auto kept = Probe::make("kept", &log);
        auto released = Probe::make("released", &log);
        kept->updateStyle({{"width", 1}});
        released->updateStyle({{"width", 1}});
        released.reset();
        VLMainQueue::async([kept] {}); // holds the kept one until the main queue has run
    });
    bool drained = false;
    VLMainQueue::async([&] { drained = true; });
    EXPECT_TRUE(VLMainQueue::runUntil([&] { return drained; }));
    EXPECT_EQ(log, (Log{"style kept"}));

    runLoop.reset();
    EXPECT_TRUE(thread->waitUntilFinished(std::chrono::seconds(20)));
}

TEST(VLComponent, ANodeReleasedOffItsThreadIsFreedOnIt) {
    std::shared_ptr<VLRunLoopThread> thread = VLRunLoopThread::create("app.velto.test-components");
    std::shared_ptr<VLRunLoop> runLoop = VLRunLoop::create(thread);
    std::shared_ptr<VLComponent> parent, child;
    runLoop->performBlockSync([&] {
        parent = VLComponent::create();
        child = VLComponent::create();
        parent->addComponent(child, -1);
    });
    const YGNodeRef parentNode = parent->yoga().node();

    VLTestSignal blocked, release;
    runLoop->performBlock([&] {
        blocked.raise();
        EXPECT_TRUE(release.wait());
    });
    ASSERT_TRUE(blocked.wait());
    parent.reset(); // the last reference goes here, while the component thread is busy
    EXPECT_EQ(YGNodeGetOwner(child->yoga().node()), parentNode) << "not touched off its thread";
    release.raise();
    runLoop->performBlockSync([] {});
    EXPECT_EQ(YGNodeGetOwner(child->yoga().node()), nullptr);
    EXPECT_EQ(child->parent(), nullptr);

    runLoop->performBlockSync([&] { child.reset(); });
    runLoop.reset();
    EXPECT_TRUE(thread->waitUntilFinished(std::chrono::seconds(20)));
}

} // namespace
