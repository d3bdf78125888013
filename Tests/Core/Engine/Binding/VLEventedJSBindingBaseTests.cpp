#include "Core/Engine/Binding/VLEventedJSBindingBase.h"
#include "Core/Engine/Binding/VLJSClassLoader.h"
#include "Core/Engine/JS/VLJSString.h"
#include "Tests/Core/Engine/Binding/VLJSBindingTestFixture.h"
#include "Tests/Core/Engine/Binding/VLJSTestBindings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

extern "C" void JSSynchronousGarbageCollectForDebugging(JSContextRef ctx);

namespace {

// Overwrites the stack below the caller; uninstrumented, so that the buffer lies on the real stack.
[[gnu::noinline, gnu::no_sanitize_address]] void scrubStack() {
    volatile char area[64 * 1024];
    for (size_t index = 0; index < sizeof area; ++index)
        area[index] = 0;
}

class VLEventedJSBindingBaseTest : public VLJSBindingFixture {
protected:
    void SetUp() override {
        VLJSBindingFixture::SetUp();
        bindingContext->classes = {{"Emitter", &VLJSClassLoader::loadNativeClass<VLEmitterJSBinding>()},
                                   {"Probe", &VLJSClassLoader::loadNativeClass<VLProbeJSBinding>()}};
        bind();
        evaluate("var e = new VeltoTest.Emitter(), log = [], push = x => () => log.push(x);"
                 "var take = () => { var text = log.join(); log = []; return text; };");
    }
};

} // namespace

TEST_F(VLEventedJSBindingBaseTest, ListenersRunInOrderThenTheHandler) {
    expectResults({
        {"var f = push('f'); e.addEventListener('ping', f); e.addEventListener('ping', f); e.fire('ping');"
         "e.removeEventListener('ping', f); e.fire('ping'); take()",
         "f,f,f"},
        {"e.onping = push('handler'); e.addEventListener('ping', push('late')); e.fire('ping'); take()",
         "f,late,handler"},
        {"e.removeEventListener('ping', {}); e.fire('ping'); take()", "handler"},
        {"e.addEventListener('ping', function (a, b) { log.push(this === e, a, b, arguments.length) });"
         "e.fire('ping', 1, 'x'); take()",
         "true,1,x,2,handler"},
        {"e.addEventListener('onclick', push('on')); e.addEventListener('click', push('bare'));"
         "e.onclick = push('h'); e.fire('click'); e.fire('onclick'); take()",
         "on,bare,h,on,bare,h"},
        {"e.destroy(); e.fire('click'); e.fire('ping'); [take(), e.onclick, e.handles('click')]", ",,false"},
    });
}

TEST_F(VLEventedJSBindingBaseTest, DispatchUsesTheListenersOfTheMoment) {
    expectResults({
        {"var g = push('g'), h = push('h');"
         "e.addEventListener('x', () => { log.push('a'); e.removeEventListener('x', g); "
         "e.addEventListener('x', h) });"
         "e.addEventListener('x', g); e.fire('x'); take()",
         "a"},
        {"e.fire('x'); take()", "a,h"},
        {"e.addEventListener('y', () => { e.onping = push('set by listener') }); e.fire('y'); "
         "e.fire('ping'); take()",
         "set by listener"},
        {"e.onping = push('removed'); e.addEventListener('ping', () => { e.onping = null }); e.fire('ping'); "
         "take()",
         ""},
    });
}

TEST_F(VLEventedJSBindingBaseTest, HandlerPropertiesAndOffFunctions) {
    expectResults({
        {"[e.onping, e.onchange, typeof e.offchange, typeof e.offping]", ",,function,undefined"},
        {"var c = push('c'); e.onchange = c; e.addEventListener('change', push('l')); e.onchange === c",
         "true"},
        {"e.offchange(); e.fire('change'); [take(), e.onchange]", "l,"},
        {"e.onchange = c; e.onchange = 5; e.fire('change'); [take(), e.onchange]", "l,"},
        {"delete e.onping; e.onping = c; typeof e.onping", "function"},
        {"e.offchange.call(new VeltoTest.Probe())", "threw TypeError: Illegal invocation"},
        {"[e.addEventListener('z'), e.addEventListener(1, c), e.addEventListener('z', 5), e.handles('z')]",
         ",,,false"},
    });
}

TEST_F(VLEventedJSBindingBaseTest, ExceptionsAreReportedAndTheDispatchGoesOn) {
    EXPECT_EQ("after,handler",
              evaluate("e.addEventListener('ping', () => { throw new RangeError('first') });"
                       "e.addEventListener('ping', push('after'));"
                       "e.onping = () => { log.push('handler'); throw new TypeError('second') };"
                       "e.fire('ping'); take()"));
    EXPECT_THAT(reportedExceptions, testing::ElementsAre("RangeError: first", "TypeError: second"));
}

TEST_F(VLEventedJSBindingBaseTest, EventObjectsCarryTargetTypeAndReadOnlyExtras) {
    expectResults({
        {"var got; e.addEventListener('onping', ev => { got = ev }); e.fireWithDetail('ping', 42);"
         "[got.target === e, got.currentTarget === e, got.type, got.detail, typeof got.timestamp]",
         "true,true,ping,42,number"},
        {"got.detail = 1; got.type = 'x'; [got.detail, got.type]", "42,ping"},
        {"[got.preventDefault(), got.stopPropagation(), Object.prototype.toString.call(got)]",
         ",,[object VLJSBindingEvent]"},
        {"got = undefined; e.fireWithDetail('nobody', 1); got", "undefined"},
    });
}

TEST_F(VLEventedJSBindingBaseTest, CollectedEmittersReleaseTheirListeners) {
    int before = VLEmitterJSBinding::alive;
    evaluate(
        "(function () { for (let i = 0; i < 1000; i++) {"
        "  let x = new VeltoTest.Emitter(); x.addEventListener('ping', () => i); x.onping = () => i; } })()");
    collectGarbage();
    EXPECT_EQ(before, VLEmitterJSBinding::alive);
}

TEST_F(VLEventedJSBindingBaseTest, AnInstanceHandedOutAgainBeforeItsRetirementKeepsItsListeners) {
    auto emitter = std::make_shared<VLEmitterJSBinding>();
    const int retiredBefore = VLEmitterJSBinding::retired;
    run([&] { VLJSBindingBase::createJSObjectWithContext(ctx, bindingContext, emitter); });
    // JavaScriptCore scans the stack conservatively: a stale copy of the object's address left below the
    // run loop's frames (sanitizer builds leave many) would keep it alive.
    run(scrubStack);
    // In one turn: the first object is collected (its retirement queued) and the instance handed out
    // again, and given a listener, before that retirement runs.
    run([&] {
        JSSynchronousGarbageCollectForDebugging(ctx);
        ASSERT_EQ(nullptr, emitter->jsObject()) << "the first object was collected";
        JSObjectRef again = VLJSBindingBase::createJSObjectWithContext(ctx, bindingContext, emitter);
        JSObjectSetProperty(ctx, JSContextGetGlobalObject(ctx), VLJSString("again").get(), again, 0, nullptr);
        JSEvaluateScript(ctx, VLJSString("again.addEventListener('ping', push('heard'))").get(), nullptr,
                         nullptr, 1, nullptr);
    });
    EXPECT_EQ("heard", evaluate("again.fire('ping'); take()"));
    EXPECT_EQ(retiredBefore, VLEmitterJSBinding::retired);

    evaluate("again = null");
    collectGarbage();
    EXPECT_EQ(retiredBefore + 1, VLEmitterJSBinding::retired) << "the second object's collection retires it";
    run([&] { EXPECT_FALSE(emitter->hasHandlersForType("ping")); });
}
