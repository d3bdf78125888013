#include "Core/Engine/Support/VLWeakObjectProxy.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Target {
    int calls = 0;
    int add(int a, int b) { return ++calls, a + b; }
    bool isReady() const { return true; }
    std::string name() const { return "target"; }
    std::shared_ptr<int> shared() { return std::make_shared<int>(1); }
    void touch() { ++calls; }
};

} // namespace

TEST(VLWeakObjectProxy, ForwardsWhileTheTargetLivesAndAnswersZeroAfter) {
    auto target = std::make_shared<Target>();
    auto proxy = VLWeakObjectProxy<Target>::proxyWithTarget(target);
    EXPECT_EQ(target, proxy->target());
    EXPECT_EQ(5, proxy->call(&Target::add, 2, 3));
    EXPECT_TRUE(proxy->call(&Target::isReady));
    EXPECT_EQ("target", proxy->call(&Target::name));
    proxy->call(&Target::touch);
    EXPECT_EQ(2, proxy->call([](Target& t) { return t.calls; }));

    std::weak_ptr<Target> watch = target;
    target.reset();
    EXPECT_TRUE(watch.expired()); // the proxy does not keep it alive
    EXPECT_EQ(nullptr, proxy->target());
    EXPECT_EQ(0, proxy->call(&Target::add, 2, 3));
    EXPECT_FALSE(proxy->call(&Target::isReady));
    EXPECT_EQ("", proxy->call(&Target::name));
    EXPECT_EQ(nullptr, proxy->call(&Target::shared));
    proxy->call(&Target::touch); // does nothing
}
