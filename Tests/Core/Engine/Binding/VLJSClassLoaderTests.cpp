#include "Core/Engine/Binding/VLJSClassLoader.h"
#include "Core/Engine/JS/VLJSString.h"
#include "Tests/Core/Engine/Binding/VLJSBindingTestFixture.h"
#include "Tests/Core/Engine/Binding/VLJSTestBindings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

class VLJSClassLoaderTest : public VLJSBindingFixture {
protected:
    void SetUp() override {
        VLJSBindingFixture::SetUp();
        bindingContext->classes = {
            {"Probe", &VLJSClassLoader::loadNativeClass<VLProbeJSBinding>()},
            {"Special", &VLJSClassLoader::loadNativeClass<VLDerivedProbeJSBinding>()},
            {"QuietProbe", &VLJSClassLoader::loadNativeClass<VLQuietProbeJSBinding>()},
            {"Other", &VLJSClassLoader::loadNativeClass<VLOtherJSBinding>()},
            {"Sole", &VLJSClassLoader::loadNativeClass<VLSoleJSBinding>()},
        };
        bind();
        evaluate("var p = new VeltoTest.Probe(), d = new VeltoTest.Special(), q = new VeltoTest.QuietProbe(),"
                 "    o = new VeltoTest.Other();");
    }
};

} // namespace

TEST_F(VLJSClassLoaderTest, MembersBehaveAsDeclared) {
    expectResults({
        {"p.echo(1, 2)", "probe:2"},
        {"p.nothing()", "undefined"},
        {"p.fail()", "threw RangeError: out of range"},
        {"p.size", "3"},
        {"p.size = 9; p.size", "3"},
        {"delete p.size; p.size", "3"},
        {"p.empty", "null"},
        {"p.label", "none"},
        {"p.label = 5; p.label", "5"},
        {"p.LIMIT + ' ' + typeof p.LIMIT + ' ' + p.KIND", "4 number probe"},
        {"p.LIMIT = 1; delete p.LIMIT; p.LIMIT", "4"},
        {"p.hasOwnProperty('LIMIT') && !Object.getPrototypeOf(p).hasOwnProperty('LIMIT')", "true"},
        {"delete Object.getPrototypeOf(p).echo; typeof p.echo", "function"},
        {"var keys = []; for (var k in p) keys.push(k); "
         "['echo', 'size', 'label', 'LIMIT'].every(k => keys.includes(k))",
         "true"},
        {"Object.prototype.toString.call(p)", "[object Probe]"},
        {"p.requestFullscreen(1)", "undefined"},
    });
    EXPECT_THAT(warnings,
                testing::ElementsAre(testing::AllOf(testing::StartsWith("["),
                                                    testing::EndsWith("] function `requestFullscreen` is not "
                                                                      "implemented !"))));
    evaluate("p.requestFullscreen(); p.requestFullscreen.call({});");
    EXPECT_EQ(2u, warnings.size()) << "one warning per call on a binding object, none for another this";
}

TEST_F(VLJSClassLoaderTest, FunctionsDispatchByNameToTheMostDerivedRegistration) {
    expectResults({
        {"d.echo(1)", "derived:1"},
        {"p.echo.call(d)", "derived:0"},
        {"p.echo.call(o, 1, 2, 3)", "other:3"},
        {"d.echo.call(p)", "probe:0"},
        {"q.echo()", "quiet:0"},
        {"d.extra() + ' ' + d.size + ' ' + d.LIMIT + ' ' + d.KIND", "7 3 8 probe"},
        {"o.solo.call(p)", "threw TypeError: Illegal invocation"},
        {"d.extra.call(p)", "threw TypeError: Illegal invocation"},
        {"p.echo.call({})", "threw TypeError: Illegal invocation"},
        {"var f = p.echo; f()", "threw TypeError: Illegal invocation"},
        {"p.echo.call(5)", "threw TypeError: Illegal invocation"},
        {"try { p.echo.call({}) } catch (e) { e instanceof TypeError && e.message }", "Illegal invocation"},
    });
}

TEST_F(VLJSClassLoaderTest, ClassNamesComeFromTheNativeNameUnlessTheClassNamesItself) {
    EXPECT_EQ("[object Special] [object QuietProbe] [object Other]",
              evaluate("[d, q, o].map(x => Object.prototype.toString.call(x)).join(' ')"));
    EXPECT_EQ("Word", VLJSClassLoader::defaultBindingClassName("VLWordJSBinding"));
    EXPECT_EQ("VLJSBindingEvent", VLJSClassLoader::defaultBindingClassName("VLJSBindingEvent"));
    EXPECT_EQ("VLJSBinding", VLJSClassLoader::defaultBindingClassName("VLJSBinding"));
    EXPECT_EQ("FooBinding", VLJSClassLoader::defaultBindingClassName("FooBinding"));
}

TEST_F(VLJSClassLoaderTest, ScopeObjectGivesNewConstructorsAndNothingElse) {
    expectResults({
        {"VeltoTest.Probe === VeltoTest.Probe", "false"},
        {"var A = VeltoTest.Probe, B = VeltoTest.Probe; "
         "[new A() instanceof B, new B() instanceof A, d instanceof A, p instanceof VeltoTest.Special]",
         "true,true,true,false"},
        {"[{} instanceof VeltoTest.Probe, 1 instanceof VeltoTest.Probe, o instanceof VeltoTest.Probe]",
         "false,false,false"},
        {"[VeltoTest.Nothing, VeltoTest.hasOwnProperty, VeltoTest.toString, VeltoTest.__proto__]", ",,,"},
        {"VeltoTest = 1; delete VeltoTest; typeof VeltoTest", "object"},
        {"VeltoTest.Probe()", "threw TypeError: VeltoTest.Probe is not a function. (In 'VeltoTest.Probe()', "
                              "'VeltoTest.Probe' is an instance of BindingConstructor)"},
    });
}

TEST_F(VLJSClassLoaderTest, ConstructionCanBeRefused) {
    expectResults({
        {"new VeltoTest.Probe('refuse')", "threw RangeError: refused"},
        {"var x = new VeltoTest.Probe('nil'); "
         "[Object.getPrototypeOf(x) === Object.prototype, x instanceof VeltoTest.Probe]",
         "true,false"},
        {"new VeltoTest.Probe('nilThrow')", "threw SyntaxError: no"},
        {"new VeltoTest.Sole(); 'made'", "made"},
        {"new VeltoTest.Sole()", "threw TypeError: Illegal constructor"},
    });
    run([&] { bindingContext->setTerminated(true); });
    EXPECT_EQ("threw Error: The widget was stopped", evaluate("new VeltoTest.Probe()"));
    EXPECT_EQ("threw Error: The widget was stopped", evaluate("new VeltoTest.Other()"));
    EXPECT_EQ("probe:0", evaluate("p.echo()")) << "objects made before keep working";
}

TEST_F(VLJSClassLoaderTest, SingletonMarkBelongsToOneBindingContext) {
    evaluate("new VeltoTest.Sole()");
    run([&] {
        JSGlobalContextRef second = JSGlobalContextCreate(nullptr);
        auto secondContext = std::make_shared<VLTestJSBindingContext>();
        secondContext->classes = bindingContext->classes;
        secondContext->bindJSContext(second, nullptr, nullptr);
        JSValueRef exception = nullptr;
        JSEvaluateScript(second, VLJSString("new VeltoTest.Sole()").get(), nullptr, nullptr, 1, &exception);
        EXPECT_EQ(nullptr, exception);
        secondContext->unbindJSContext();
        JSGlobalContextRelease(second);
    });
}

TEST_F(VLJSClassLoaderTest, ScopeBoundAgainReachesTheNewContext) {
    auto replacement = std::make_shared<VLTestJSBindingContext>();
    replacement->classes = {{"Fresh", &VLJSClassLoader::loadNativeClass<VLOtherJSBinding>()}};
    run([&] { replacement->bindJSContext(ctx, nullptr, nullptr); });
    bindingContext->classes.clear();
    EXPECT_EQ("other:0 undefined", evaluate("new VeltoTest.Fresh().echo() + ' ' + VeltoTest.Probe"));
    run([&] {
        replacement->unbindJSContext();
        replacement.reset();
    });
    EXPECT_EQ("undefined", evaluate("typeof VeltoTest.Fresh")) << "a scope whose context is gone is empty";
}

TEST_F(VLJSClassLoaderTest, PreludesRunInKeyOrderAndOneThatThrowsDoesNotStopTheRest) {
    auto second = std::make_shared<VLTestJSBindingContext>();
    second->preludes = {{"b", "order.push('b')"},
                        {"a", "var order = ['a']"},
                        {"c", "order.push('c'); throw new TypeError(new Error().sourceURL)"},
                        {"B", "var early = typeof order"},
                        {"e", ""},
                        {"d", "order.push('d')"}};
    std::vector<std::string> reported;
    run([&] {
        second->bindJSContext(ctx, nullptr, [&](JSContextRef ctx, JSValueRef exception) {
            reported.push_back(*VLJSValueTransformToNSString(ctx, exception));
        });
    });
    EXPECT_EQ("a,b,c,d undefined", evaluate("order + ' ' + early"));
    EXPECT_THAT(reported, testing::ElementsAre("TypeError: polyfill/c.js"));
    run([&] { second->unbindJSContext(); });
}

namespace {

// Loaded nowhere else, so that its information is first built from within another class's describe().
class VLNeededJSBinding final : public VLJSBinding<VLNeededJSBinding> {};

class VLDependentJSBinding final : public VLJSBinding<VLDependentJSBinding> {
public:
    static void describe(VLJSClassBuilder<VLDependentJSBinding>& b) {
        b.constant("NEEDED", VLJSClassLoader::loadNativeClass<VLNeededJSBinding>().name());
    }
};

// A name given two kinds of member, in one class or across a class and its superclass.
class VLPropertyAndConstantJSBinding final : public VLJSBinding<VLPropertyAndConstantJSBinding> {
public:
    JSValueRef size(JSContextRef ctx) { return JSValueMakeNumber(ctx, 1); }
    static void describe(VLJSClassBuilder<VLPropertyAndConstantJSBinding>& b) {
        b.getter<"size", &VLPropertyAndConstantJSBinding::size>();
        b.constant("size", 2);
    }
};

class VLFunctionOverPropertyJSBinding final
    : public VLJSBinding<VLFunctionOverPropertyJSBinding, VLProbeJSBinding> {
public:
    static void describe(VLJSClassBuilder<VLFunctionOverPropertyJSBinding>& b) {
        b.function<"size", &VLProbeJSBinding::echo>();
    }
};

} // namespace

TEST(VLJSClassLoader, ADescribeMayLoadAnotherClass) {
    EXPECT_EQ(nullptr, VLJSClassInfoOf<VLNeededJSBinding>.load());
    EXPECT_TRUE(VLJSClassLoader::loadNativeClass<VLDependentJSBinding>().type() ==
                typeid(VLDependentJSBinding));
    EXPECT_NE(nullptr, VLJSClassInfoOf<VLNeededJSBinding>.load());
}

TEST(VLJSClassLoaderDeathTest, ANameIsOneKindOfMemberOnly) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(VLJSClassLoader::loadNativeClass<VLPropertyAndConstantJSBinding>(),
                 "PropertyAndConstantJSBinding declares `size` as a property and as a constant");
    EXPECT_DEATH(VLJSClassLoader::loadNativeClass<VLFunctionOverPropertyJSBinding>(),
                 "FunctionOverPropertyJSBinding declares `size` as a property and as a function");
}
