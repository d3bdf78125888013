#include "Modules/Canvas/Context2D/VLCanvas2DRenderingContext.h"

#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Modules/Canvas/Context2D/VLPath.h"
#include "Tests/Support/VLCanvasRuntimeTest.h"
#include "Tests/Support/VLOffscreenCanvas2DContext.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <limits>
#include <mutex>
#include <numbers>
#include <string>
#include <vector>

namespace {

using testing::ElementsAre;
using testing::MatchesRegex;

class VLCanvas2DStateTest : public VLCanvasRuntimeTest {
protected:
    std::shared_ptr<VLOffscreenCanvas2DContext> make(int16_t width = 4, int16_t height = 4) {
        return VLOffscreenCanvas2DContext::make(bindingContext(), width, height, {});
    }

    JSGlobalContextRef ctx() const { return bindingContext()->globalCtx(); }

    JSValueRef evaluate(const char* script) const {
        JSStringRef text = JSStringCreateWithUTF8CString(script);
        JSValueRef value = JSEvaluateScript(ctx(), text, nullptr, nullptr, 0, nullptr);
        JSStringRelease(text);
        return value;
    }

    std::string text(JSValueRef value) const { return VLJSValueToNSString(ctx(), value).value_or("(none)"); }
};

TEST_F(VLCanvas2DStateTest, EveryNameTableAcceptsItsNamesExactlyAndAnswersThem) {
    using Setter = void (VLCanvas2DRenderingContext::*)(JSContextRef, JSValueRef);
    using Getter = JSValueRef (VLCanvas2DRenderingContext::*)(JSContextRef) const;
    struct Table {
        Setter set;
        Getter get;
        const std::string_view* names;
        size_t count;
    };
    const Table tables[] = {
        {&VLCanvas2DRenderingContext::setGlobalCompositeOperationWith,
         &VLCanvas2DRenderingContext::globalCompositeOperationByJSValue, VLCompositeOperationEnumNames.data(),
         VLCompositeOperationEnumNames.size()},
        {&VLCanvas2DRenderingContext::setLineCapWith, &VLCanvas2DRenderingContext::lineCapByJSValue,
         VLLineCapEnumNames.data(), VLLineCapEnumNames.size()},
        {&VLCanvas2DRenderingContext::setLineJoinWith, &VLCanvas2DRenderingContext::lineJoinByJSValue,
         VLLinejoinEnumNames.data(), VLLinejoinEnumNames.size()},
        {&VLCanvas2DRenderingContext::setTextAlignWith, &VLCanvas2DRenderingContext::textAlignByJSValue,
         VLTextAlignEnumNames.data(), VLTextAlignEnumNames.size()},
        {&VLCanvas2DRenderingContext::setTextBaseLineWith, &VLCanvas2DRenderingContext::textBaseLineByJSValue,
         VLTextBaselineEnumNames.data(), VLTextBaselineEnumNames.size()},
    };
    onJSThread([&] {
        auto context = make();
        for (const Table& table : tables) {
            for (size_t i = 0; i < table.count; ++i) {
                const std::string name(table.names[i]);
                ((*context).*table.set)(ctx(), VLJSValueFromNSString(ctx(), name));
                EXPECT_EQ(text(((*context).*table.get)(ctx())), name);
            }
            // Other letter case, other strings and non-strings change nothing.
            const std::string last(table.names[table.count - 1]);
            std::string upper = last;
            upper[0] = char(std::toupper(upper[0]));
            for (JSValueRef refused :
                 {VLJSValueFromNSString(ctx(), upper), VLJSValueFromNSString(ctx(), last + " "),
                  JSValueMakeNumber(ctx(), 0), JSValueMakeNull(ctx())}) {
                ((*context).*table.set)(ctx(), refused);
                EXPECT_EQ(text(((*context).*table.get)(ctx())), last);
            }
        }
        context->setGlobalCompositeOperationWith(ctx(), VLJSValueFromNSString(ctx(), "darker"));
        EXPECT_EQ(context->globalCompositeOperation(), 3);
        context->setGlobalCompositeOperationWith(ctx(), VLJSValueFromNSString(ctx(), "Source-Over"));
        EXPECT_EQ(context->globalCompositeOperation(), 3);
    });
}

TEST_F(VLCanvas2DStateTest, GlobalAlphaIsClampedAndNaNLeavesIt) {
    onJSThread([&] {
        auto context = make();
        struct Case {
            float given;
            float stored;
        };
        for (const Case& c : {Case{1.5f, 1}, Case{-0.2f, 0}, Case{0.25f, 0.25f},
                              Case{std::numeric_limits<float>::quiet_NaN(), 0.25f},
                              Case{std::numeric_limits<float>::infinity(), 1}}) {
            context->setGlobalAlpha(c.given);
            EXPECT_EQ(context->state()->globalAlpha, c.stored) << c.given;
        }
    });
}

TEST_F(VLCanvas2DStateTest, DashListsTakeNumbersAndNumericTextsAndRefuseTheRestWhole) {
    struct Case {
        const char* script;
        std::vector<double> dashes;
    };
    const std::vector<double> previous = {7, 8};
    const Case cases[] = {
        {"[1, '2', 3]", {1, 2, 3, 1, 2, 3}},
        {"['5px', 10]", {5, 10}},
        {"[4, -2]", previous},
        {"[1, 'x']", previous},
        {"[Infinity]", previous},
        {"[NaN, 1]", previous},
        {"[1, null]", previous},
        {"[1, [2]]", previous},
        {"'1, 2'", previous},
        {"5", previous},
        {"({length: 2, 0: 1, 1: 2})", previous},
        {"[]", {}},
    };
    onJSThread([&] {
        auto context = make();
        for (const Case& c : cases) {
            context->state()->lineDash = previous;
            context->setLineDashWith(ctx(), evaluate(c.script));
            EXPECT_EQ(context->state()->lineDash, c.dashes) << c.script;
        }
    });
}

TEST_F(VLCanvas2DStateTest, TransformsApplyBeforeTheCurrentOne) {
    onJSThread([&] {
        auto context = make(24, 2);
        context->scaleX(2, 2);
        context->transformM11(1, 0, 0, 1, 10, 0);
        context->state()->fillColor = {255, 0, 0, 255};
        context->fillRectX(0, 0, 1, 1);
        EXPECT_EQ(context->pixel(19, 0)[3], 0);
        EXPECT_EQ(context->pixel(20, 1)[3], 255);
        EXPECT_EQ(context->pixel(21, 0)[3], 255);
        EXPECT_EQ(context->pixel(22, 0)[3], 0);
        EXPECT_EQ(context->path().transform(), VLAffineTransform(2, 0, 0, 2, 20, 0));

        context->translateX(1, 0);
        EXPECT_EQ(context->pathTransform(), VLAffineTransform(2, 0, 0, 2, 22, 0));
        context->rotate(std::numbers::pi_v<float>);
        EXPECT_NEAR(context->pathTransform().a, -2, 1e-6);

        context->setPathTransform(VLAffineTransform(0.1, 0, 0, 1.0 / 3, 1e-9, 16777217));
        EXPECT_EQ(context->pathTransform(),
                  VLAffineTransform(double(0.1f), 0, 0, double(1.0f / 3), double(1e-9f), 16777216));
        EXPECT_EQ(context->path().transform(), context->pathTransform());
    });
}

TEST_F(VLCanvas2DStateTest, TheStackHoldsSixteenLevelsAndWarnsOncePerRefusedSave) {
    std::mutex lock;
    std::vector<std::string> lines;
    runtime->engine()->setConsoleHandler([&](const std::string& level, const std::string& text) {
        std::lock_guard guard(lock);
        lines.push_back(level + ": " + text);
    });
    onJSThread([&] {
        auto context = make();
        context->restore(); // at level 0: silent
        context->setImageSmoothingEnabled(false);
        for (int i = 0; i < 15; ++i) {
            context->setGlobalAlpha(float(i) / 16);
            context->save();
        }
        EXPECT_EQ(context->stateIndex(), 15);
        {
            std::lock_guard guard(lock);
            EXPECT_TRUE(lines.empty());
        }
        context->save();
        context->save();
        EXPECT_EQ(context->stateIndex(), 15);

        // Each level keeps its own record.
        context->setGlobalAlpha(1);
        context->restore();
        EXPECT_EQ(context->state()->globalAlpha, 14.0f / 16);

        context->state()->lineWidth = 5;
        context->setGlobalCompositeOperation(8);
        context->resetCurrentState();
        EXPECT_EQ(context->stateIndex(), 14);
        EXPECT_EQ(context->state()->lineWidth, 1);
        EXPECT_EQ(context->state()->globalAlpha, 1);
        EXPECT_EQ(context->globalCompositeOperation(), 0);
        EXPECT_FALSE(context->imageSmoothingEnabled());
        ASSERT_NE(context->state()->font, nullptr);
    });
    onJSThread([] {}); // behind the console lines
    std::lock_guard guard(lock);
    const std::string warning =
        "warn: \\[[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\\] max canvas state stack size "
        "\\(16\\) reached";
    EXPECT_THAT(lines, ElementsAre(MatchesRegex(warning), MatchesRegex(warning)));
}

TEST_F(VLCanvas2DStateTest, RestoreBlendsWithTheRestoredCompositeOperation) {
    onJSThread([&] {
        auto context = make();
        context->save();
        context->setGlobalCompositeOperation(5);
        context->restore();
        EXPECT_EQ(context->globalCompositeOperation(), 0);
        GLint source = 0;
        glGetIntegerv(GL_BLEND_SRC_RGB, &source);
        EXPECT_EQ(source, GL_ONE);
    });
}

} // namespace
