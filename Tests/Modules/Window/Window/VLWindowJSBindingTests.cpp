#include "Modules/Window/Window/VLWindowJSBinding.h"

#include "Core/Runtime/VLRuntime.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWindowServer.h"
#include "Tests/Support/VLTestWidget.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

// Each test has a window server of its own.
class VLWindowJSBindingTest : public testing::Test {
protected:
    void SetUp() override { VLWindowServer::setShared(_server); }
    void TearDown() override { VLWindowServer::setShared(nullptr); }

    // The runtimes of the windows on screen, front to back.
    std::vector<std::shared_ptr<VLRuntime>> ownersOfShownWindows() const {
        std::vector<std::shared_ptr<VLRuntime>> owners;
        for (const std::shared_ptr<VLWSWindow>& window : _server->orderedWindows())
            owners.push_back(VLRuntime::runtimeOwningWindow(*window));
        return owners;
    }

private:
    const std::shared_ptr<VLWindowServer> _server = std::make_shared<VLWindowServer>();
};

std::map<std::string, std::string> package(const std::string& script) {
    return {{"index.js", script}};
}

} // namespace

TEST_F(VLWindowJSBindingTest, AWindowWithoutScriptReferencesLivesOnUntilDestroyed) {
    VLTestWidget widget(package(R"(
        new Velto.Window({ style: { width: 40, height: 30 } }).show();
        globalThis.kept = new Velto.Window();
    )"));
    ASSERT_TRUE(widget.runtime());
    widget.collectGarbage();
    EXPECT_EQ(widget.runtime()->windowCount(), 2u);
    EXPECT_EQ(ownersOfShownWindows(), std::vector{widget.runtime()});

    // A destroyed window is let go: once collected it no longer counts, nor a second time.
    widget.inspect("kept.destroy(); kept.destroy(); kept = null", [](JSContextRef, JSValueRef) {});
    EXPECT_EQ(widget.runtime()->windowCount(), 1u);
    widget.collectGarbage();
    EXPECT_EQ(widget.runtime()->windowCount(), 1u);
    EXPECT_EQ(ownersOfShownWindows(), std::vector{widget.runtime()});
}

TEST_F(VLWindowJSBindingTest, TerminatingOneRuntimeClosesOnlyItsWindows) {
    const std::string script = "globalThis.w = new Velto.Window(); w.show(); new Velto.Window().show();";
    auto first = std::make_unique<VLTestWidget>(package(script));
    VLTestWidget second(package(script));
    ASSERT_TRUE(first->runtime() && second.runtime());
    EXPECT_EQ(ownersOfShownWindows().size(), 4u);

    first.reset();
    second.settle();
    EXPECT_EQ(ownersOfShownWindows(), std::vector(2, second.runtime()));
    EXPECT_EQ(second.runtime()->windowCount(), 2u);
}

TEST_F(VLWindowJSBindingTest, RemoveIsNotImplementedAndSaysSo) {
    VLTestWidget widget(
        package("const w = new Velto.Window(); console.log(String(w.remove()), w.windowCount);"));
    ASSERT_TRUE(widget.runtime());
    // The console's warning carries its time.
    EXPECT_THAT(widget.console(),
                testing::ElementsAre(testing::StartsWith("warn: "), "log: undefined undefined"));
    EXPECT_THAT(widget.console().front(), testing::EndsWith("] function `remove` is not implemented !"));
}
