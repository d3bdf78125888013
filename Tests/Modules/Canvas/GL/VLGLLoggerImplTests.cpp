#include "Core/Engine/CoreScope/VLCoreJSBindingContext.h"
#include "Core/Engine/JS/VLJSEngine.h"
#include "Modules/Canvas/GL/VLGLLoggerImpl.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <mutex>
#include <thread>

namespace {

using testing::ElementsAre;
using testing::MatchesRegex;
using testing::Pair;

const char* const kStamped = "\\[[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\\] ";

TEST(VLGLLoggerImplTests, EachLevelReachesTheScriptConsoleOnItsThread) {
    auto bindingContext = std::make_shared<VLCoreJSBindingContext>();
    std::shared_ptr<VLJSEngine> engine = VLJSEngine::create(bindingContext);
    std::mutex lock;
    std::vector<std::pair<std::string, std::string>> lines;
    engine->setConsoleHandler([&](const std::string& level, const std::string& text) {
        std::lock_guard guard(lock);
        lines.emplace_back(level, text);
    });
    engine->evaluateScript("0", "bound.js"); // the binding context knows its thread from here on
    VLGLLoggerImpl logger(bindingContext);
    // From another thread, as the texture loader's queue logs.
    std::thread([&] {
        logger.logUsingLogLevelWithContent("l");
        logger.logUsingInfoLevelWithContent("i");
        logger.logUsingWarnLevelWithContent("w");
        logger.logUsingErrorLevelWithContent("e");
    }).join();
    engine->evaluateScript("0", "wait.js"); // after the posted lines
    std::lock_guard guard(lock);
    EXPECT_THAT(lines, ElementsAre(Pair("log", MatchesRegex(kStamped + std::string("l"))),
                                   Pair("info", MatchesRegex(kStamped + std::string("i"))),
                                   Pair("warn", MatchesRegex(kStamped + std::string("w"))),
                                   Pair("error", MatchesRegex(kStamped + std::string("e")))));
}

TEST(VLGLLoggerImplTests, NothingHappensOnceTheBindingContextIsGone) {
    auto bindingContext = std::make_shared<VLCoreJSBindingContext>();
    VLGLLoggerImpl logger(bindingContext);
    bindingContext.reset();
    logger.logUsingWarnLevelWithContent("gone");
}

} // namespace
