#include "Modules/Window/Component/VLComponentJSBindingBase.h"

#include "Core/Engine/Binding/VLJSBindingFunctions.h"
#include "Modules/Window/Component/VLComponent.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Tests/Support/VLTestWidget.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

// The native components of the script components that the expression gives (one, or an array).
std::vector<std::weak_ptr<VLComponent>> componentsOf(VLTestWidget& widget, const std::string& expression) {
    std::vector<std::weak_ptr<VLComponent>> components;
    widget.inspect("[].concat(" + expression + ")", [&components](JSContextRef ctx, JSValueRef value) {
        JSObjectRef array = value ? JSValueToObject(ctx, value, nullptr) : nullptr;
        for (unsigned i = 0; array && i < 64; ++i) {
            auto* binding = VLJSBindingGetObjectOfClass<VLComponentJSBindingBase>(
                ctx, JSObjectGetPropertyAtIndex(ctx, array, i, nullptr));
            if (!binding)
                break;
            components.push_back(binding->component());
        }
    });
    return components;
}

std::vector<std::string> eventsAfter(VLTestWidget& widget, const std::string& statements) {
    const std::vector<std::weak_ptr<VLComponent>> components =
        componentsOf(widget, "(() => {" + statements + "; return c; })()");
    return components.size() == 1 ? components[0].lock()->events() : std::vector<std::string>{"(none)"};
}

size_t aliveCount(const std::vector<std::weak_ptr<VLComponent>>& components) {
    size_t alive = 0;
    for (const auto& component : components)
        alive += !component.expired();
    return alive;
}

using Events = std::vector<std::string>;

} // namespace

TEST(VLComponentJSBinding, HandlersAndListenersSwitchTheNativeEventOnceEach) {
    VLTestWidget widget(std::map<std::string, std::string>{
        {"index.js", "globalThis.c = new Velto.Component({ events: ['wheel', 3] });"}});
    ASSERT_TRUE(widget.runtime());
    const struct {
        const char* statements;
        Events events;
    } steps[] = {
        {"c.onclick = () => {}; c.onclick = () => {}", {"wheel", "click"}},
        {"c.onclick = null", {"wheel"}},
        {"globalThis.f = () => {}; c.addEventListener('click', f); c.addEventListener('click', () => {})",
         {"wheel", "click"}},
        {"c.removeEventListener('click', f)", {"wheel", "click"}},
        {"c.removeEventListener('click', {})", {"wheel"}},
        {"c.onwheel = f; c.addEventListener('onwheel', f)", {"wheel", "wheel"}},
        {"c.offwheel(); c.removeEventListener('wheel', f)", {"wheel"}},
        {"c.onframechange = f; c.destroy()", {"wheel", "framechange"}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.statements);
        EXPECT_EQ(eventsAfter(widget, step.statements), step.events);
    }
}

TEST(VLComponentJSBinding, AttachedComponentsLiveAsLongAsTheirRootAndDetachedOnesGo) {
    VLTestWidget widget(std::map<std::string, std::string>{{"index.js", R"(
        const C = Velto.Component;
        globalThis.root = new C();
        (() => {
            for (let i = 0; i < 4; ++i)
                root.appendChild(new C({ style: { width: i } }));
            root.children[1].appendChild(new C());
            const other = new C();
            root.appendChild(other);
            other.appendChild(root.children[0]);
            root.appendChild(root.children[2], 0);
        })();
    )"}});
    ASSERT_TRUE(widget.runtime());
    const auto attached =
        componentsOf(widget, "root.children.concat(root.children[1].children, root.children[3].children)");
    ASSERT_EQ(attached.size(), 6u);
    widget.collectGarbage();
    EXPECT_EQ(aliveCount(attached), 6u);
    widget.inspect("root.children.map((c) => c.style.width).join()", [](JSContextRef ctx, JSValueRef value) {
        JSStringRef text = JSValueToStringCopy(ctx, value, nullptr);
        char buffer[64] = {};
        JSStringGetUTF8CString(text, buffer, sizeof buffer);
        JSStringRelease(text);
        EXPECT_STREQ(buffer, "3,1,2,");
    });

    const auto dropped = componentsOf(widget, "root.children.slice(1)");
    widget.inspect("root.removeChild(root.children[1]); root.children[1].remove(); root.children[1].remove()",
                   [](JSContextRef, JSValueRef) {});
    widget.collectGarbage();
    widget.collectGarbage();
    EXPECT_EQ(aliveCount(dropped), 0u);
    EXPECT_EQ(aliveCount(componentsOf(widget, "root.children")), 1u);
}

TEST(VLComponentJSBinding, ATurnThatBuildsAThousandComponentsWakesTheMainThreadAtMostTwice) {
    VLTestWidget widget(std::map<std::string, std::string>{{"index.js", ""}});
    ASSERT_TRUE(widget.runtime());
    // Each block the main queue runs is at most one wake-up of the main thread.
    const auto blocksFor = [&](const std::string& statements) {
        const uint64_t before = VLMainQueue::blocksRun();
        EXPECT_EQ("done", widget.evaluate("(() => {" + statements + "; return 'done'; })()"));
        return VLMainQueue::blocksRun() - before;
    };
    // What evaluating and settling cost by themselves.
    const uint64_t bare = blocksFor("");
    const uint64_t built = blocksFor(R"(
        const C = Velto.Component;
        globalThis.root = new C();
        for (let i = 0; i < 1000; ++i)
            root.appendChild(new C({ style: { width: 10, height: 10 } })))");
    EXPECT_LE(built, bare + 2);
}
