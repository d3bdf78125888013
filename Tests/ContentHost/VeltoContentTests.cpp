// The VeltoContent program, spawned as the main application spawns it, with the fixture packages of
// Tests/Fixtures/host and Tests/Fixtures/run.
#include "Platform/Foundation/VLFileIO.h"
#include "Platform/Foundation/VLPropertyListSerialization.h"
#include "Tests/Support/VLTemporaryDirectory.h"
#include "Tests/Support/VLTestMainApplication.h"
#include "Tests/Support/VLValuePrinter.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace {

std::string fixture(const std::string& path) {
    return std::string(VELTO_FIXTURES) + "/" + path;
}

VLDictionary launchOf(int64_t rid, const std::string& package, VLDictionary extra = {},
                      VLDictionary payload = {}) {
    payload.set("localPath", fixture(package));
    VLDictionary message{{"op", "launch"}, {"rid", rid}, {"payload", std::move(payload)}};
    for (const auto& [key, value] : extra)
        message.set(key, value);
    return message;
}

// The answer's own keys.
VLDictionary answerOf(VLDictionary reply) {
    reply.erase("op");
    reply.erase("to");
    return reply;
}

VLDictionary withId(VLDictionary message, int64_t identifier) {
    message.set("id", identifier);
    return message;
}

bool isConsole(const VLDictionary& message, int64_t rid, const std::string& text) {
    return message.get("op") == VLValue("console") && message.get("rid") == VLValue(rid) &&
           message.get("message").isString() && message.get("message").stringValue().starts_with(text);
}

class VeltoContentTest : public testing::Test {
protected:
    VeltoContentTest() {
        VLTestMainApplication::SpawnOptions options;
        options.standardErrorPath = directory / "stderr";
        options.environment = {"VELTO_LOG=error", "TMPDIR=" + directory.path().string()};
        host = VLTestMainApplication::spawn(VELTO_TOOL, options);
    }

    // Several messages in one write, so that the host reads them in one go.
    void sendTogether(std::initializer_list<VLDictionary> messages) {
        VLData bytes;
        for (const VLDictionary& message : messages) {
            const VLData frame = VLTestMainApplication::frame(message);
            bytes.insert(bytes.end(), frame.begin(), frame.end());
        }
        host->sendRaw(bytes);
    }

    // The answer to a request, without "op" and "to".
    VLDictionary answer(int64_t identifier) {
        const std::optional<VLDictionary> reply = host->waitForReply(identifier);
        EXPECT_TRUE(reply) << "no reply to " << identifier;
        return reply ? answerOf(*reply) : VLDictionary{};
    }

    size_t indexOf(const std::function<bool(const VLDictionary&)>& matches) const {
        const std::vector<VLDictionary> messages = host->messages();
        return size_t(std::find_if(messages.begin(), messages.end(), matches) - messages.begin());
    }

    // Ends the host as the application does, and what it wrote to standard error.
    std::string endAndReadErrors() {
        host->closeSocket();
        const auto exit = host->waitForExit();
        EXPECT_TRUE(exit && exit->exited && exit->status == 0);
        const auto errors = VLContentsOfFile((directory / "stderr").string());
        return errors ? std::string(errors->begin(), errors->end()) : std::string();
    }

    VLTemporaryDirectory directory;
    std::unique_ptr<VLTestMainApplication> host;
};

} // namespace

TEST_F(VeltoContentTest, StatusAnswersOnlyRequestsWithTheProcessFigures) {
    host->send({{"op", "status"}});
    const int64_t id = host->request({{"op", "status"}});
    const VLDictionary status = answer(id);
    EXPECT_EQ(1u, host->messages().size()) << "the status without id is not answered";
    EXPECT_EQ(VLValue(VLDictionary{}), status.get("runtimes"));
    const VLValue& process = status.get("process");
    ASSERT_TRUE(process.isDictionary());
    EXPECT_TRUE(process["cpu"].isDouble());
    EXPECT_GT(process["cpu"].doubleValue(), 0);
    EXPECT_GT(process["wakeUps"].integerValue(), 0);
    EXPECT_GT(process["memory"].integerValue(), 0);
    EXPECT_EQ(VLValue(0), process["gpuMemory"]);
}

TEST_F(VeltoContentTest, ALaunchReportsStartedThenTheConsoleThenItsAnswer) {
    const int64_t id = host->request(
        launchOf(1, "host/chatty", {{"console", true}, {"exception", true}, {"handlers", VLArray{"ui"}}}));
    const VLDictionary launched = answer(id);
    ASSERT_TRUE(launched.get("state").isDictionary()) << testing::PrintToString(VLValue(launched));
    const VLValue& state = launched.get("state");
    EXPECT_TRUE(state["windows"].isArray());
    EXPECT_TRUE(state["hasWidget"].isBool());
    EXPECT_EQ(2u, state["widgetSize"].arrayValue().size());
    EXPECT_EQ(4u, state["widgetMargins"].arrayValue().size());
    EXPECT_EQ(2u, state["widgetPlace"].arrayValue().size());
    EXPECT_FALSE(launched.contains("previewWindow"));

    const size_t started = indexOf([](const auto& m) { return m.get("op") == VLValue("started"); });
    const size_t one = indexOf([](const auto& m) { return isConsole(m, 1, "one"); });
    const size_t two = indexOf([](const auto& m) { return isConsole(m, 1, "two"); });
    const size_t reply = indexOf([&](const auto& m) { return m.get("to") == VLValue(id); });
    EXPECT_LT(started, one);
    EXPECT_LT(one, two);
    EXPECT_LT(two, reply);
    EXPECT_EQ(VLValue(1), host->messages()[started].get("rid"));

    const auto exception = host->waitForOp("exception");
    ASSERT_TRUE(exception);
    EXPECT_EQ(VLValue(1), exception->get("rid"));
    EXPECT_NE(std::string::npos, exception->get("message").stringValue().find("boom"));
    EXPECT_TRUE(exception->get("stack").isString());
    std::vector<VLDictionary> scripts;
    for (const VLDictionary& message : host->messages()) {
        if (message.get("op") == VLValue("script"))
            scripts.push_back(message);
    }
    ASSERT_EQ(2u, scripts.size());
    EXPECT_EQ(
        (VLDictionary{{"op", "script"}, {"rid", 1}, {"name", "ui"}, {"message", VLDictionary{{"n", 1}}}}),
        scripts[0]);
    EXPECT_EQ((VLDictionary{{"op", "script"}, {"rid", 1}, {"name", "ui"}}), scripts[1]) << "nothing sent";

    const VLDictionary status = answer(host->request({{"op", "status"}}));
    const VLValue& runtime = status.get("runtimes")["1"];
    ASSERT_TRUE(runtime.isDictionary()) << testing::PrintToString(VLValue(status));
    EXPECT_TRUE(runtime["busy"].isDouble());
    EXPECT_TRUE(runtime["cpu"].isDouble());
    EXPECT_EQ(VLValue(false), runtime["terminated"]);
    EXPECT_TRUE(runtime["state"]["windows"].isArray());
}

TEST_F(VeltoContentTest, TheStateDescribesTheRuntimesWindows) {
    const VLDictionary launched = answer(host->request(launchOf(1, "host/windowed")));
    const VLValue& windows = launched.get("state")["windows"];
    ASSERT_TRUE(windows.isArray() && !windows.arrayValue().empty())
        << testing::PrintToString(VLValue(launched));
    const VLValue& window = windows[0];
    EXPECT_GT(window["number"].integerValue(), 0);
    EXPECT_EQ(VLValue("widget"), window["kind"]);
    EXPECT_TRUE(window["widget"].isBool());
    EXPECT_EQ(4u, window["frame"].arrayValue().size());
    EXPECT_EQ(4u, window["contentFrame"].arrayValue().size());
    EXPECT_TRUE(window["scale"].isDouble());
    EXPECT_TRUE(window["level"].isInteger());
    for (const char* key : {"visible", "uncovered", "liveResize"})
        EXPECT_TRUE(window[key].isBool()) << key;
}

TEST_F(VeltoContentTest, ReportsComeOnlyWhenAskedFor) {
    ASSERT_TRUE(answer(host->request(launchOf(1, "host/chatty"))).contains("state"));
    // The sentinel speaks well after the first runtime's reports would have come.
    ASSERT_TRUE(answer(host->request(launchOf(2, "host/late", {{"console", true}}))).contains("state"));
    ASSERT_TRUE(host->waitForMessage([](const auto& m) { return isConsole(m, 2, "late"); }));
    for (const VLDictionary& message : host->messages()) {
        const VLValue& op = message.get("op");
        EXPECT_TRUE(op == VLValue("started") || op == VLValue("reply") || message.get("rid") == VLValue(2))
            << testing::PrintToString(VLValue(message));
    }
}

TEST_F(VeltoContentTest, AFailedLaunchAnswersAndFreesItsId) {
    struct Case {
        const char* name;
        VLDictionary message;
        VLDictionary expected;
        const char* errorPart;
    };
    VLDictionary noPath = launchOf(12, "host/late");
    noPath.set("payload", VLDictionary{{"name", "late"}});
    const std::vector<Case> cases = {
        {"no payload", {{"op", "launch"}, {"rid", 11}}, {{"failed", true}}, nullptr},
        {"no local path", noPath, {{"failed", true}}, nullptr},
        {"no index.js", launchOf(13, "host/no-index"), {}, "The package has no index.js"},
        {"a digest that doesn't match",
         launchOf(14, "run/digest", {}, {{"packageDigests", VLDictionary{{"index.js", VLData(32, 0)}}}}),
         {},
         ""},
        {"an index.js that throws", launchOf(15, "run/throws"), {}, ""},
    };
    for (const Case& c : cases) {
        const VLDictionary failed = answer(host->request(c.message));
        if (!c.errorPart) {
            EXPECT_EQ(c.expected, failed) << c.name;
        } else {
            EXPECT_EQ(VLValue(true), failed.get("failed")) << c.name;
            ASSERT_TRUE(failed.get("error").isString()) << c.name;
            EXPECT_NE(std::string::npos, failed.get("error").stringValue().find(c.errorPart)) << c.name;
        }
        const VLDictionary launched =
            answer(host->request(launchOf(c.message.get("rid").integerValue(), "host/late")));
        EXPECT_TRUE(launched.contains("state")) << c.name;
    }

    // A second launch for an id still launching fails alone; the first goes on.
    sendTogether({withId(launchOf(20, "host/late"), 1001), withId(launchOf(20, "host/chatty"), 1002)});
    EXPECT_EQ((VLDictionary{{"failed", true}}), answer(1002));
    EXPECT_TRUE(answer(1001).contains("state"));
}

TEST_F(VeltoContentTest, MessagesForRuntimesNotThereAreAnsweredEmptyOrLogged) {
    sendTogether({
        withId(launchOf(1, "host/late", {{"console", true}}), 1001),
        withId({{"op", "set"}, {"rid", 1}, {"key", "volume"}, {"value", 0.5}}, 1002),
        withId({{"op", "set"}, {"rid", 9}, {"key", "volume"}, {"value", 0.5}}, 1003),
        withId({{"op", "bogus"}, {"rid", 1}}, 1004),
        withId({{"op", "status"}}, 1006),
        {{"op", "terminate"}, {"rid", 1}},
    });
    EXPECT_EQ(VLDictionary{}, answer(1002)) << "during the launch";
    EXPECT_EQ(VLValue(VLDictionary{}), answer(1006).get("runtimes")) << "a launching runtime is left out";
    EXPECT_EQ(VLDictionary{}, answer(1003)) << "never launched";
    // A terminate before "started" is only logged: the launch goes on.
    EXPECT_TRUE(answer(1001).contains("state"));
    ASSERT_TRUE(host->waitForMessage([](const auto& m) { return isConsole(m, 1, "late"); }));
    host->send(withId({{"op", "started"}, {"rid", 1}}, 1005));
    answer(host->request({{"op", "status"}}));
    for (const VLDictionary& message : host->messages()) {
        EXPECT_NE(VLValue(1004), message.get("to")) << "an op that is no op is dropped";
        EXPECT_NE(VLValue(1005), message.get("to")) << "a host's op from the app is not answered";
    }

    const std::string errors = endAndReadErrors();
    EXPECT_NE(std::string::npos,
              errors.find("app.velto.mac.content/ContentHost error: set for a runtime that isn't there yet"))
        << errors;
    EXPECT_NE(std::string::npos, errors.find("terminate for a runtime that isn't there yet")) << errors;
    EXPECT_NE(std::string::npos, errors.find("Unexpected message from the app: started")) << errors;
    EXPECT_EQ(std::string::npos, errors.find("bogus")) << errors;
}

TEST_F(VeltoContentTest, TerminateEndsTheRuntimeAndItsTimers) {
    ASSERT_TRUE(answer(host->request(launchOf(1, "host/ticking", {{"console", true}}))).contains("state"));
    ASSERT_TRUE(host->waitForMessage([](const auto& m) { return isConsole(m, 1, "tick"); }));
    host->send(withId({{"op", "terminate"}, {"rid", 1}}, 1001));
    const int64_t statusId = host->request({{"op", "status"}});
    EXPECT_EQ(VLValue(VLDictionary{}), answer(statusId).get("runtimes"));

    // Another runtime's late line comes 100 ms after its launch, when twenty more ticks would have come;
    // a few may still be on their way from the thread the terminate stops.
    ASSERT_TRUE(answer(host->request(launchOf(2, "host/late", {{"console", true}}))).contains("state"));
    ASSERT_TRUE(host->waitForMessage([](const auto& m) { return isConsole(m, 2, "late"); }));
    const std::vector<VLDictionary> messages = host->messages();
    const size_t statusIndex = indexOf([&](const auto& m) { return m.get("to") == VLValue(statusId); });
    const auto ticksAfter = std::count_if(messages.begin() + long(statusIndex), messages.end(),
                                          [](const auto& m) { return isConsole(m, 1, "tick"); });
    EXPECT_LT(ticksAfter, 10) << "at most those already on their way";
    EXPECT_EQ(messages.end(), std::find_if(messages.begin(), messages.end(),
                                           [](const auto& m) { return m.get("to") == VLValue(1001); }));
}

TEST_F(VeltoContentTest, ClosingTheConnectionEndsTheProcessAndRemovesItsRuntimesFiles) {
    ASSERT_TRUE(answer(host->request(launchOf(1, "host/writes", {{"console", true}}))).contains("state"));
    ASSERT_TRUE(host->waitForMessage([](const auto& m) { return isConsole(m, 1, "written"); }));
    const std::filesystem::path runtimes = directory / "Velto-runtimes" / std::to_string(host->pid());
    ASSERT_FALSE(std::filesystem::is_empty(runtimes));
    endAndReadErrors();
    EXPECT_TRUE(!std::filesystem::exists(runtimes) || std::filesystem::is_empty(runtimes));
}

TEST_F(VeltoContentTest, WhatAWidgetStoredIsOnTheDiskOnceTheConnectionClosed) {
    const std::filesystem::path data = std::filesystem::canonical(directory.path()) / "data";
    std::filesystem::create_directory(data);
    ASSERT_TRUE(
        answer(host->request(launchOf(1, "host/stores", {{"console", true}}, {{"dataPath", data.string()}})))
            .contains("state"));
    ASSERT_TRUE(host->waitForMessage([](const auto& m) { return isConsole(m, 1, "stored"); }));
    // The widget's change to synchronised storage reaches the application.
    const VLDictionary report{{"op", "syncStorage"},
                              {"directory", data.string()},
                              {"items", VLDictionary{{"synchronised", "reported"}}},
                              {"changed", true}};
    EXPECT_TRUE(host->waitForMessage([&](const auto& m) { return m == report; }));
    EXPECT_EQ("", endAndReadErrors());
    const auto file = VLContentsOfFile((data / "LocalStorage.plist").string());
    ASSERT_TRUE(file);
    EXPECT_EQ(VLValue(VLArray{"local", "kept"}), VLPropertyListSerialization::propertyListWithData(*file));
}

TEST(VeltoContent, RefusesADescriptor3ThatIsNoConnectedStreamSocket) {
    VLTemporaryDirectory directory;
    const std::string errors = (directory / "stderr").string();
    for (const char* descriptor3 : {"3</dev/null", "3<&-"}) {
        const int status =
            std::system((std::string("'") + VELTO_TOOL + "' " + descriptor3 + " 2>'" + errors + "'").c_str());
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(2, WEXITSTATUS(status)) << descriptor3;
        const auto text = VLContentsOfFile(errors);
        ASSERT_TRUE(text);
        EXPECT_EQ("VeltoContent: descriptor 3 is not a connected stream socket\n",
                  std::string(text->begin(), text->end()));
    }
}

TEST_F(VeltoContentTest, CallJSIsAnsweredAfterWhatItPostedAndAlsoWhenItCannotRun) {
    ASSERT_TRUE(
        answer(host->request(launchOf(1, "host/steer", {{"handlers", VLArray{"out"}}}))).contains("state"));
    const int64_t echoed =
        host->request({{"op", "callJS"}, {"rid", 1}, {"method", "echo"}, {"arguments", VLArray{1, "a"}}});
    EXPECT_EQ(VLDictionary{}, answer(echoed));
    const size_t reply = indexOf([&](const auto& m) { return m.get("to") == VLValue(echoed); });
    const size_t first = indexOf([](const auto& m) { return m.get("message") == VLValue(VLArray{1, "a"}); });
    const size_t done = indexOf([](const auto& m) { return m.get("message") == VLValue("done"); });
    EXPECT_LT(first, done);
    EXPECT_LT(done, reply);

    EXPECT_EQ(VLDictionary{}, answer(host->request({{"op", "callJS"}, {"rid", 1}, {"method", "missing"}})));
    EXPECT_EQ(VLDictionary{},
              answer(host->request({{"op", "callJS"}, {"rid", 1}, {"arguments", "mistyped"}})));
    // The engine goes while the thread is busy, before the second call runs.
    sendTogether(
        {withId({{"op", "callJS"}, {"rid", 1}, {"method", "spin"}, {"arguments", VLArray{300}}}, 1001),
         withId({{"op", "callJS"}, {"rid", 1}, {"method", "echo"}}, 1002),
         {{"op", "terminate"}, {"rid", 1}}});
    EXPECT_EQ(VLDictionary{}, answer(1001));
    EXPECT_EQ(VLDictionary{}, answer(1002));
}

TEST_F(VeltoContentTest, HandlersAddedLaterCarryPostMessageUntilRemoved) {
    ASSERT_TRUE(answer(host->request(launchOf(1, "host/steer"))).contains("state"));
    const auto said = [&] {
        answer(host->request(
            {{"op", "callJS"}, {"rid", 1}, {"method", "say"}, {"arguments", VLArray{"later"}}}));
        const std::vector<VLDictionary> messages = host->messages();
        return std::count_if(messages.begin(), messages.end(),
                             [](const auto& m) { return m.get("op") == VLValue("script"); });
    };
    EXPECT_EQ(0, said()) << "no handler yet";
    host->send({{"op", "addHandler"}, {"rid", 1}, {"name", "later"}});
    EXPECT_EQ(1, said());
    EXPECT_TRUE(host->waitForMessage([](const auto& m) {
        return m == VLDictionary{{"op", "script"}, {"rid", 1}, {"name", "later"}, {"message", "hi"}};
    }));
    host->send({{"op", "removeHandler"}, {"rid", 1}, {"name", "later"}});
    EXPECT_EQ(1, said());
}

TEST_F(VeltoContentTest, ParametersAreAnsweredWithWhetherTheyWereHandled) {
    ASSERT_TRUE(answer(host->request(launchOf(1, "host/steer"))).contains("state"));
    const VLDictionary empty =
        answer(host->request({{"op", "parameters"}, {"rid", 1}, {"parameters", VLDictionary{}}}));
    ASSERT_TRUE(empty.get("handled").isBool()) << testing::PrintToString(VLValue(empty));
    EXPECT_TRUE(
        answer(host->request({{"op", "parameters"}, {"rid", 1}, {"parameters", VLDictionary{{"a", 1}}}}))
            .get("handled")
            .isBool());
    EXPECT_EQ(empty, answer(host->request({{"op", "parameters"}, {"rid", 1}, {"parameters", "mistyped"}})));
    EXPECT_EQ(empty, answer(host->request({{"op", "parameters"}, {"rid", 1}})));
}

TEST_F(VeltoContentTest, PerformanceSamplesFollowSetAndStopWhenOff) {
    ASSERT_TRUE(answer(host->request(launchOf(1, "host/steer"))).contains("state"));
    host->send({{"op", "performance"}, {"rid", 1}, {"on", true}});
    const auto first = host->waitForOp("sample");
    ASSERT_TRUE(first);
    EXPECT_EQ(VLValue(1), first->get("rid"));
    const VLValue& sample = first->get("sample");
    for (const char* key : {"interval", "fps", "tps", "average", "maximum", "cpu", "wakeUps"})
        EXPECT_TRUE(sample[key].isDouble()) << key;
    for (const char* key : {"target", "slow", "canvas"})
        EXPECT_TRUE(sample[key].isInteger()) << key;
    EXPECT_EQ(VLValue(false), sample["suspended"]);
    EXPECT_TRUE(sample["renderingPaused"].isBool());

    const size_t beforeSet = host->messages().size();
    host->send({{"op", "set"}, {"rid", 1}, {"key", "suspended"}, {"value", true}});
    EXPECT_TRUE(host->waitForMessageAfter(beforeSet, [](const VLDictionary& m) {
        return m.get("op") == VLValue("sample") && m.get("sample")["suspended"] == VLValue(true);
    })) << "a later sample shows the suspension";

    host->send({{"op", "performance"}, {"rid", 1}, {"on", false}});
    answer(host->request({{"op", "status"}}));
    // Samples come once a second while on.
    const auto more = host->waitForMessageAfter(
        host->messages().size(), [](const VLDictionary& m) { return m.get("op") == VLValue("sample"); },
        std::chrono::milliseconds(2500));
    EXPECT_FALSE(more) << "off stops them";
}

TEST_F(VeltoContentTest, WindowsAreMovedOnlyByTheirOwnRuntimeAndReportTheirChanges) {
    const VLDictionary launched = answer(host->request(launchOf(1, "host/windowed")));
    ASSERT_FALSE(launched.get("state")["windows"].arrayValue().empty())
        << testing::PrintToString(VLValue(launched));
    const int64_t number = launched.get("state")["windows"][0]["number"].integerValue();
    const VLDictionary other = answer(host->request(launchOf(2, "host/windowed")));
    ASSERT_FALSE(other.get("state")["windows"].arrayValue().empty());
    const int64_t otherNumber = other.get("state")["windows"][0]["number"].integerValue();
    const auto frameOf = [&](int64_t rid) {
        const VLDictionary status = answer(host->request({{"op", "status"}}));
        return status.get("runtimes")[std::to_string(rid)]["state"]["windows"][0]["frame"];
    };
    // The second window takes its styled size (160 by 80) a moment after its launch is answered.
    VLValue otherFrame = frameOf(2);
    for (int round = 0; round < 1000 && otherFrame[2].doubleValue() != 160; ++round)
        otherFrame = frameOf(2);
    ASSERT_EQ(160, otherFrame[2].doubleValue());

    const size_t beforeMove = host->messages().size();
    host->send({{"op", "moveWindow"}, {"rid", 1}, {"number", number}, {"x", 300}, {"y", 400}});
    const auto moved = host->waitForMessageAfter(
        beforeMove, [](const VLDictionary& m) { return m.get("change") == VLValue("frame"); });
    ASSERT_TRUE(moved);
    EXPECT_EQ(VLValue(1), moved->get("rid"));
    EXPECT_EQ(VLValue(number), moved->get("number"));
    EXPECT_EQ(VLValue("frame"), moved->get("change"));
    const VLValue& frame = moved->get("state")["windows"][0]["frame"];
    EXPECT_EQ(VLValue(300), frame[0]);
    EXPECT_EQ(VLValue(400), frame[1]);

    const struct {
        const char* name;
        VLDictionary message;
    } ignored[] = {
        {"another runtime's window",
         {{"op", "moveWindow"}, {"rid", 1}, {"number", otherNumber}, {"x", 10}, {"y", 10}}},
        {"a text coordinate",
         {{"op", "moveWindow"}, {"rid", 2}, {"number", otherNumber}, {"x", "10"}, {"y", 10}}},
        {"a coordinate out of bounds",
         {{"op", "moveWindow"}, {"rid", 2}, {"number", otherNumber}, {"x", 1e7}, {"y", 10}}},
        {"no number", {{"op", "moveWindow"}, {"rid", 2}, {"x", 10}, {"y", 10}}},
    };
    for (const auto& test : ignored) {
        host->send(test.message);
        EXPECT_EQ(otherFrame, frameOf(2)) << test.name;
    }

    const size_t beforeClose = host->messages().size();
    answer(host->request({{"op", "callJS"}, {"rid", 1}, {"method", "closeWindow"}}));
    const auto closed = host->waitForMessageAfter(
        beforeClose, [](const VLDictionary& m) { return m.get("change") == VLValue("closed"); });
    ASSERT_TRUE(closed);
    EXPECT_EQ(VLValue(1), closed->get("rid"));
    EXPECT_EQ(VLValue(number), closed->get("number"));
}

TEST_F(VeltoContentTest, SynchronisedStorageIsReportedAfterALaunchAndWhenApplied) {
    const std::string dataPath = (directory / "data").string();
    ASSERT_TRUE(
        answer(host->request(launchOf(1, "host/steer", {}, {{"dataPath", dataPath}}))).contains("state"));
    const VLDictionary expected{
        {"op", "syncStorage"}, {"directory", dataPath}, {"items", VLDictionary{}}, {"changed", false}};
    EXPECT_TRUE(host->waitForMessage([&](const auto& m) { return m == expected; }));
    ASSERT_TRUE(answer(host->request(launchOf(2, "host/steer"))).contains("state"))
        << "no data path, no report";

    host->send({{"op", "applySyncStorage"},
                {"directory", "/d"},
                {"changes", VLDictionary{{"k", "v"}}},
                {"number", 7}});
    host->send({{"op", "applySyncStorage"}, {"directory", "/e"}, {"changes", VLDictionary{}}});
    host->send({{"op", "applySyncStorage"}, {"directory", "/f"}});
    host->send({{"op", "applySyncStorage"}, {"changes", VLDictionary{}}, {"number", 8}});
    answer(host->request({{"op", "status"}}));
    std::vector<VLDictionary> reports;
    for (const VLDictionary& message : host->messages()) {
        if (message.get("op") == VLValue("syncStorage"))
            reports.push_back(message);
    }
    ASSERT_EQ(3u, reports.size());
    EXPECT_EQ(VLValue(7), reports[1].get("applied"));
    EXPECT_EQ(VLValue("/d"), reports[1].get("directory"));
    EXPECT_EQ(VLValue(false), reports[1].get("changed"));
    EXPECT_EQ((VLDictionary{
                  {"op", "syncStorage"}, {"directory", "/e"}, {"items", VLDictionary{}}, {"changed", false}}),
              reports[2]);
}
