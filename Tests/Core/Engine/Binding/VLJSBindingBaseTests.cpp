#include "Core/Engine/Binding/VLJSBindingBase.h"
#include "Core/Engine/Binding/VLJSBindingFunctions.h"
#include "Core/Engine/Binding/VLJSClassLoader.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Tests/Core/Engine/Binding/VLJSBindingTestFixture.h"
#include "Tests/Core/Engine/Binding/VLJSTestBindings.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

class VLJSBindingBaseTest : public VLJSBindingFixture {
protected:
    void SetUp() override {
        VLProbeCounters::reset();
        VLJSBindingFixture::SetUp();
        bindingContext->classes = {{"Probe", &VLJSClassLoader::loadNativeClass<VLProbeJSBinding>()}};
        bind();
    }
};

} // namespace

TEST_F(VLJSBindingBaseTest, DroppedObjectsAreRetiredOnceOnTheirThreadAndFreed) {
    evaluate("(function () { for (let i = 0; i < 10000; i++) new VeltoTest.Probe().echo(); })()");
    collectGarbage();
    EXPECT_EQ(0, VLProbeCounters::alive);
    EXPECT_EQ(10000, VLProbeCounters::retired);
    EXPECT_EQ(10000, VLProbeCounters::retiredOnThread);
}

TEST_F(VLJSBindingBaseTest, ObjectsAliveWhenTheContextEndsAreRetiredWithoutIt) {
    evaluate("var kept = []; for (let i = 0; i < 100; i++) kept.push(new VeltoTest.Probe());");
    EXPECT_EQ(100, VLProbeCounters::alive);
    endContext();
    EXPECT_EQ(0, VLProbeCounters::alive);
    EXPECT_EQ(100, VLProbeCounters::retired);
}

TEST_F(VLJSBindingBaseTest, NativeCodeReachesInstancesObjectsAndContexts) {
    run([&] {
        auto instance = std::make_shared<VLProbeJSBinding>();
        EXPECT_EQ(nullptr, VLJSBindingGetJSObject(instance.get()));
        JSObjectRef object = VLJSBindingBase::createJSObjectWithContext(ctx, bindingContext, instance);
        EXPECT_EQ(object, VLJSBindingGetJSObject(instance.get()));
        EXPECT_EQ(object, VLJSBindingBase::createJSObjectWithContext(ctx, bindingContext, instance));
        EXPECT_EQ(instance.get(), VLJSBindingGetObject(ctx, object));
        EXPECT_EQ(instance.get(), VLJSValueGetPrivate(ctx, object));
        EXPECT_EQ(instance.get(), VLJSBindingGetObjectOfClass<VLProbeJSBinding>(ctx, object));
        EXPECT_EQ(nullptr, VLJSBindingGetObjectOfClass<VLOtherJSBinding>(ctx, object));
        EXPECT_EQ(bindingContext, VLJSBindingGetContext(instance.get()));
        EXPECT_TRUE(JSValueIsObjectOfClass(ctx, object, VLJSBindingObjectClass()));

        JSObjectRef plain = JSObjectMake(ctx, nullptr, nullptr);
        for (JSValueRef value :
             {JSValueRef(plain), JSValueMakeNumber(ctx, 1), JSValueMakeNull(ctx), JSValueRef()})
            EXPECT_EQ(nullptr, VLJSBindingGetObject(ctx, value));
        EXPECT_FALSE(JSValueIsObjectOfClass(ctx, plain, VLJSBindingObjectClass()));
        EXPECT_EQ(nullptr, VLJSBindingGetContext(nullptr));
        EXPECT_EQ(nullptr, VLJSBindingGetJSObject(nullptr));
    });
}

TEST_F(VLJSBindingBaseTest, BindingsOutlivingTheirContextAnswerUndefined) {
    evaluate("var p = new VeltoTest.Probe();");
    run([&] {
        bindingContext->unbindJSContext();
        bindingContext.reset();
    });
    EXPECT_EQ("undefined probe:0", evaluate("p.size + ' ' + p.echo()"));
}

TEST_F(VLJSBindingBaseTest, BlocksRunOnTheBindingContextsThread) {
    std::vector<int> order;
    run([&] {
        VLJSBindingPerformBlockOnThread(bindingContext, [&] { order.push_back(1); });
        order.push_back(2);
        EXPECT_EQ(VLRunLoopThread::current(), VLJSBindingGetThread(bindingContext));
    });
    std::thread other([&] { VLJSBindingPerformBlockOnThread(bindingContext, [&] { order.push_back(3); }); });
    other.join();
    run([] {});
    EXPECT_EQ((std::vector<int>{1, 2, 3}), order);
    VLJSBindingPerformBlockOnThread(nullptr, [] { FAIL() << "no context, no thread"; });
}
