// The agent in the test's own process, on one end of a socket pair, where the window server and the
// engine's class-wide settings can be looked at.
#include "ContentHost/ContentHostAgent.h"
#include "ContentHost/ContentHostBroadcastTransport.h"
#include "ContentHost/ContentHostUserFiles.h"
#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Core/Launcher/Services/VLSystemAudioSource.h"
#include "Core/Launcher/VLManager.h"
#include "Core/Runtime/VLRuntime.h"
#include "Core/Runtime/VLRuntimeWindowNotifications.h"
#include "Modules/Storage/VLSyncStorage.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/Foundation/VLNotificationCenter.h"
#include "Platform/WindowServer/VLWSDriver.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWindowServer.h"
#include "Tests/ContentHost/ContentHostAgentTest.h"
#include "Tests/Support/VLTestMainApplication.h"
#include "Tests/Support/VLValuePrinter.h"

#include <gtest/gtest.h>

#include <thread>

TEST_F(ContentHostAgentTest, ConfigureSetsTheDisplayMapAndRelatedProcesses) {
    peer.send(
        {{"op", "configure"}, {"displays", VLArray{1, 10, 1, 20, 7}}, {"relatedPids", VLArray{42, 43}}});
    answer(peer.request({{"op", "status"}}));
    const auto provider = VLManager::displayIdentifierProvider();
    ASSERT_TRUE(provider);
    EXPECT_EQ(20u, provider(1)) << "a later pair wins";
    EXPECT_EQ(7u, provider(7)) << "an odd last element is ignored";
    EXPECT_EQ(10u, provider(10));
    EXPECT_EQ((std::set<pid_t>{42, 43}), VLManager::relatedProcessIdentifiers());

    peer.send({{"op", "configure"}, {"displays", VLArray{0x100000005LL, 6}}, {"relatedPids", VLArray{"44"}}});
    answer(peer.request({{"op", "status"}}));
    EXPECT_EQ(6u, provider(5)) << "ids are cut to 32 bits";
    EXPECT_EQ((std::set<pid_t>{42, 43}), VLManager::relatedProcessIdentifiers()) << "not a list of numbers";
    peer.send({{"op", "configure"}, {"displays", VLArray{5}}, {"relatedPids", VLArray{}}});
    answer(peer.request({{"op", "status"}}));
    EXPECT_EQ(5u, provider(5));
    EXPECT_TRUE(VLManager::relatedProcessIdentifiers().empty());
}

TEST_F(ContentHostAgentTest, APreviewGetsAnInvisibleWindowFarOffScreen) {
    const VLDictionary launched = launch(1, {{"preview", VLDictionary{{"size", VLArray{300, 200}}}}});
    ASSERT_TRUE(launched.get("previewWindow").isInteger()) << testing::PrintToString(VLValue(launched));
    const std::shared_ptr<VLWSWindow> window =
        VLWindowServer::shared()->windowWithNumber(launched.get("previewWindow").integerValue());
    ASSERT_TRUE(window);
    EXPECT_EQ(VLRect(-30000, -30000, 300, 200), window->frame());
    EXPECT_TRUE(window->ignoresMouseEvents());
    EXPECT_EQ(88u, window->collectionBehavior());
    const std::shared_ptr<const ContentHostAgent::Hosted> entry = agent->hosted(1);
    ASSERT_TRUE(entry && entry->runtime);
    EXPECT_TRUE(entry->runtime->hostArea().isNull());

    const VLDictionary withArea =
        launch(2, {{"preview", VLDictionary{{"size", VLArray{100, 50}}, {"area", VLArray{10, 20, 30, 40}}}}});
    ASSERT_TRUE(withArea.contains("previewWindow"));
    EXPECT_EQ(VLRect(10, 20, 30, 40), agent->hosted(2)->runtime->hostArea());
    EXPECT_FALSE(launch(3, {{"preview", VLDictionary{{"size", VLArray{-1, 5}}}}}).contains("previewWindow"));

    peer.send({{"op", "previewSize"}, {"rid", 1}, {"size", VLArray{400, 250}}});
    peer.send({{"op", "previewSize"}, {"rid", 1}, {"size", VLArray{-1, 250}}});
    peer.send({{"op", "previewSize"}, {"rid", 2}, {"size", VLArray{1e7, 250}}});
    roundTrip();
    EXPECT_EQ(VLSize(400, 250), window->frame().size) << "an invalid size changes nothing";

    ASSERT_TRUE(window->isVisible());
    peer.send({{"op", "terminate"}, {"rid", 1}});
    EXPECT_TRUE(VLMainQueue::runUntil([&] { return !window->isVisible(); })) << "the preview window closes";
    EXPECT_EQ(nullptr, agent->hosted(1));
}

TEST_F(ContentHostAgentTest, SetCallsTheSetterOfItsKeyWithTheValueOrItsDefault) {
    ASSERT_TRUE(launch(1, {}).contains("state"));
    VLRuntime& runtime = *agent->hosted(1)->runtime;
    const auto fps = [](const VLRuntime& r) { return double(r.preferredFramesPerSecond()); };
    const auto reason = [](const VLRuntime& r) { return double(r.suspensionReason()); };
    const auto suspended = [](const VLRuntime& r) { return double(r.isSuspended()); };
    const auto paused = [](const VLRuntime& r) { return double(r.isRenderingPaused()); };
    const auto muted = [](const VLRuntime& r) { return double(r.isMuted()); };
    const auto mutedByUser = [](const VLRuntime& r) { return double(r.isMutedByUser()); };
    const auto volume = [](const VLRuntime& r) { return double(r.volume()); };
    const auto nudges = [](const VLRuntime& r) { return double(r.nudgesWidgetResizeHint()); };
    const VLValue absent;
    // In order: each row changes what the one before left.
    const struct {
        const char* key;
        VLValue value;
        double (*read)(const VLRuntime&);
        double expected;
    } rows[] = {
        {"preferredFramesPerSecond", 30, fps, 30},
        {"preferredFramesPerSecond", true, fps, 1},
        {"preferredFramesPerSecond", absent, fps, 0},
        {"preferredFramesPerSecond", -5, fps, 0},
        {"suspensionReason", 3, reason, 3},
        {"suspensionReason", true, reason, 1},
        {"suspensionReason", absent, reason, 0},
        {"suspensionReason", -2.5, reason, -2},
        {"suspended", true, suspended, 1},
        {"suspended", absent, suspended, 0},
        {"suspended", 2, suspended, 1},
        {"suspended", "yes", suspended, 0},
        {"renderingPaused", 1, paused, 1},
        {"renderingPaused", absent, paused, 0},
        {"renderingPaused", true, paused, 1},
        {"renderingPaused", false, paused, 0},
        {"muted", true, muted, 1},
        {"muted", absent, muted, 0},
        {"muted", 0.5, muted, 1},
        {"mutedByUser", true, mutedByUser, 1},
        {"mutedByUser", absent, mutedByUser, 0},
        {"mutedByUser", 7, mutedByUser, 1},
        {"volume", 0.25, volume, 0.25},
        {"volume", absent, volume, 1},
        {"volume", false, volume, 0},
        {"volume", "0.5", volume, 1},
        {"nudgesWidgetResizeHint", false, nudges, 0},
        {"nudgesWidgetResizeHint", 1, nudges, 1},
        {"nudgesWidgetResizeHint", absent, nudges, 0},
        {"nudgesWidgetResizeHint", true, nudges, 1},
    };
    for (const auto& row : rows) {
        VLDictionary message{{"op", "set"}, {"rid", 1}, {"key", row.key}};
        if (!row.value.isNil())
            message.set("value", row.value);
        peer.send(message);
        roundTrip();
        EXPECT_EQ(row.expected, row.read(runtime)) << row.key << " " << testing::PrintToString(row.value);
    }
    peer.send({{"op", "set"}, {"rid", 1}, {"key", "volume"}});
    peer.send({{"op", "set"}, {"rid", 1}, {"key", "other"}, {"value", 0}});
    peer.send({{"op", "set"}, {"rid", 1}, {"value", 0}});
    roundTrip();
    EXPECT_EQ(1, volume(runtime)) << "another key or none sets nothing";
}

TEST_F(ContentHostAgentTest, PerformanceKeepsOneObserverWhileOn) {
    ASSERT_TRUE(launch(1, {}).contains("state"));
    const std::shared_ptr<const ContentHostAgent::Hosted> entry = agent->hosted(1);
    peer.send({{"op", "performance"}, {"rid", 1}});
    roundTrip();
    EXPECT_EQ(nullptr, entry->performanceObserver) << "off without one does nothing";
    peer.send({{"op", "performance"}, {"rid", 1}, {"on", true}});
    roundTrip();
    const VLPerformanceObserverToken first = entry->performanceObserver;
    ASSERT_NE(nullptr, first);
    peer.send({{"op", "performance"}, {"rid", 1}, {"on", 1}});
    roundTrip();
    EXPECT_EQ(first, entry->performanceObserver) << "on twice registers one observer";
    ASSERT_TRUE(waitForMessage(0, [](const VLDictionary& m) { return m.get("op") == VLValue("sample"); }));
    peer.send({{"op", "performance"}, {"rid", 1}, {"on", false}});
    roundTrip();
    EXPECT_EQ(nullptr, entry->performanceObserver);
}

TEST_F(ContentHostAgentTest, AUserMoveAndAWidgetResizeReportTheirEnd) {
    const VLDictionary launched = launch(
        1, {}, "host/windowed",
        {{"widgetSizing",
          VLDictionary{{"size", VLArray{160, 80}}, {"byUser", true}, {"maximum", VLArray{600, 400}}}}});
    ASSERT_FALSE(launched.get("state")["windows"].arrayValue().empty())
        << testing::PrintToString(VLValue(launched));
    const std::shared_ptr<VLWSWindow> window = VLWindowServer::shared()->windowWithNumber(
        launched.get("state")["windows"][0]["number"].integerValue());
    ASSERT_TRUE(window);
    VLWSDriver& driver = VLWindowServer::shared()->driver();
    driver.setReduceMotion(true);
    const VLPoint inside{window->frame().origin.x + 40, window->frame().origin.y + 40};
    driver.drag(inside, {inside.x + 30, inside.y - 30}, 2);
    const auto moved =
        waitForMessage(0, [](const VLDictionary& m) { return m.get("op") == VLValue("userMoveEnded"); });
    driver.setReduceMotion(false);
    ASSERT_TRUE(moved);
    EXPECT_EQ(VLValue(1), moved->get("rid"));
    EXPECT_EQ(VLValue(false), moved->get("guilty"));
    EXPECT_TRUE(moved->get("state")["windows"].isArray());

    const VLRect frame = window->frame();
    ASSERT_TRUE(driver.userResize(
        window, {{frame.origin.x, frame.origin.y - 20, frame.size.width + 40, frame.size.height + 20}}));
    const auto resized =
        waitForMessage(0, [](const VLDictionary& m) { return m.get("op") == VLValue("widgetResizeEnded"); });
    ASSERT_TRUE(resized);
    EXPECT_EQ(VLValue(false), resized->get("guilty"));
    EXPECT_EQ(VLValue(VLArray{200, 100}), resized->get("state")["widgetSize"]);
}

TEST_F(ContentHostAgentTest, EngineNoticesReportWhetherTheRuntimeWasGuiltyWithItsState) {
    ASSERT_TRUE(launch(1, {}).contains("state"));
    const VLRuntime* runtime = agent->hosted(1)->runtime.get();
    VLNotificationCenter& center = VLNotificationCenter::defaultCenter();
    const int stranger = 0;
    const size_t before = peer.messages().size();
    center.post(VLRuntimeWindowDidEndUserMoveNotification, runtime);
    center.post(VLRuntimeGraphicsResetNotification, &stranger, {{VLRuntimeGraphicsResetGuiltyKey, true}});
    std::thread([&] { center.post(VLRuntimeWidgetWindowDidEndUserResizeNotification, runtime); }).join();
    center.post(VLRuntimeGraphicsResetNotification, runtime, {{VLRuntimeGraphicsResetGuiltyKey, true}});
    center.post(VLRuntimeGraphicsResetNotification, runtime);
    center.post(VLRuntimeGraphicsResetNotification, runtime, {{VLRuntimeGraphicsResetGuiltyKey, "yes"}});
    roundTrip();

    std::vector<std::pair<VLValue, VLValue>> reports;
    const std::vector<VLDictionary> messages = peer.messages();
    for (size_t index = before; index < messages.size(); ++index) {
        const VLDictionary& message = messages[index];
        if (!message.contains("guilty"))
            continue;
        EXPECT_EQ(VLValue(1), message.get("rid"));
        EXPECT_TRUE(message.get("state")["windows"].isArray());
        reports.emplace_back(message.get("op"), message.get("guilty"));
    }
    // The one posted elsewhere comes last, from its hop.
    const std::vector<std::pair<VLValue, VLValue>> expected{
        {"userMoveEnded", false}, {"graphicsReset", true},      {"graphicsReset", false},
        {"graphicsReset", false}, {"widgetResizeEnded", false},
    };
    EXPECT_EQ(expected, reports) << "a runtime not hosted reports nothing";
}

TEST_F(ContentHostAgentTest, AStorageChangeReportsTheDirectoryAsChanged) {
    const size_t before = peer.messages().size();
    VLNotificationCenter::defaultCenter().post(VLSyncStorageDidChangeNotification, nullptr,
                                               {{VLSyncStorageDataDirectoryKey, std::string("/data")}});
    VLNotificationCenter::defaultCenter().post(VLSyncStorageDidChangeNotification);
    roundTrip();
    EXPECT_EQ(
        (std::vector<VLDictionary>{
            {{"op", "syncStorage"}, {"directory", "/data"}, {"items", VLDictionary{}}, {"changed", true}}}),
        messagesOf("syncStorage", before));
}

TEST_F(ContentHostAgentTest, UserFilesCompleteWithWhatTheApplicationReplied) {
    ContentHostUserFiles files(agent->connection());
    const VLURL url("file:///Users/a/b.txt");
    const VLDictionary file{{"name", "b.txt"}};
    struct Completed {
        VLValue file;
        std::optional<std::string> reason;
        std::optional<VLArray> list;
    };
    const struct {
        const char* name;
        const char* action;
        VLDictionary reply;
        Completed expected;
    } cases[] = {
        {"a file", "trash", {{"file", file}}, {file, std::nullopt, std::nullopt}},
        {"a reason", "trash", {{"reason", "busy"}}, {VLValue(), "busy", std::nullopt}},
        {"nothing", "trash", {}, {VLValue(), "failed", std::nullopt}},
        {"a file that is no dictionary", "restore", {{"file", "b.txt"}}, {VLValue(), "failed", std::nullopt}},
        {"a restored file", "restore", {{"file", file}}, {file, std::nullopt, std::nullopt}},
        {"files",
         "list",
         {{"files", VLArray{file, VLDictionary{}}}},
         {VLValue(), std::nullopt, VLArray{file, VLDictionary{}}}},
        {"files not all dictionaries",
         "list",
         {{"files", VLArray{file, 3}}},
         {VLValue(), std::nullopt, VLArray{}}},
        {"files no array", "list", {{"files", file}}, {VLValue(), std::nullopt, VLArray{}}},
        {"no files", "list", {}, {VLValue(), std::nullopt, VLArray{}}},
    };
    int64_t lastId = 0;
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        std::optional<Completed> completed;
        const size_t before = peer.messages().size();
        const std::string action = test.action;
        if (action == "trash") {
            files.runtimeTrashFileAtURL(nullptr, url,
                                        [&](const VLValue& given, const std::optional<std::string>& reason) {
                                            completed = Completed{given, reason, std::nullopt};
                                        });
        } else if (action == "restore") {
            files.runtimeRestoreFileWithIdentifier(
                nullptr, "f1", [&](const VLValue& given, const std::optional<std::string>& reason) {
                    completed = Completed{given, reason, std::nullopt};
                });
        } else {
            files.runtimeListFilesWithCompletion(nullptr, [&](const std::optional<VLArray>& list) {
                completed = Completed{VLValue(), std::nullopt, list};
            });
        }
        const auto request =
            waitForMessage(before, [](const VLDictionary& m) { return m.get("op") == VLValue("userFiles"); });
        ASSERT_TRUE(request);
        EXPECT_EQ(VLValue(action), request->get("action"));
        const VLDictionary expectedKeys = action == "trash"     ? VLDictionary{{"path", "/Users/a/b.txt"}}
                                          : action == "restore" ? VLDictionary{{"fileId", "f1"}}
                                                                : VLDictionary{};
        for (const auto& [key, value] : expectedKeys)
            EXPECT_EQ(value, request->get(key)) << key;
        EXPECT_EQ(VLValue(lastId + 1), request->get("id")) << "request ids in order";
        lastId = request->get("id").integerValue();
        VLDictionary reply = test.reply;
        reply.set("op", "reply");
        reply.set("to", lastId);
        peer.send(reply);
        ASSERT_TRUE(VLMainQueue::runUntil([&] { return completed.has_value(); }));
        EXPECT_EQ(test.expected.file, completed->file);
        EXPECT_EQ(test.expected.reason, completed->reason);
        EXPECT_EQ(test.expected.list, completed->list);
    }

    // A closed connection answers at once, as if no reply came.
    VLTestMainApplication gone;
    const auto closed = ContentHostConnection::create(gone.takeHostSocket());
    closed->close();
    ContentHostUserFiles orphaned(closed);
    std::optional<std::string> reason;
    orphaned.runtimeTrashFileAtURL(
        nullptr, url, [&](const VLValue&, const std::optional<std::string>& given) { reason = given; });
    EXPECT_EQ("failed", reason);
    std::optional<VLArray> list;
    orphaned.runtimeListFilesWithCompletion(nullptr,
                                            [&](const std::optional<VLArray>& given) { list = given; });
    EXPECT_EQ(VLArray{}, list);
}

TEST_F(ContentHostAgentTest, TheAudioSourceAndTheBroadcastTransportSpeakToTheApplication) {
    const std::shared_ptr<VLSystemAudioSource> audio = VLManager::systemAudioSource();
    ASSERT_TRUE(audio);
    std::thread([&] {
        audio->systemAudioWantedDidChange(true, false);
        audio->systemAudioAccessShouldBeRechecked();
    }).join();
    roundTrip();
    EXPECT_EQ((std::vector<VLDictionary>{{{"op", "audioWanted"}, {"wanted", true}, {"mayAsk", false}}}),
              messagesOf("audioWanted"));
    EXPECT_EQ(1u, messagesOf("audioRecheck").size());

    const std::shared_ptr<ContentHostBroadcastTransport> transport = agent->broadcastTransport();
    ASSERT_EQ(transport, VLManager::broadcastTransport());
    const auto heard = [&](const std::string& key, bool on) {
        peer.send({{"op", "heard"}, {"key", key}, {"on", on}});
        roundTrip();
    };
    heard("k", false);
    EXPECT_TRUE(transport->carriesMessagesForKey("k")) << "heard for a key nobody here listens to";
    transport->broadcastKey("k", true);
    transport->sendBroadcastMessage(VLData{1, 2}, "k");
    heard("k", false);
    EXPECT_FALSE(transport->carriesMessagesForKey("k"));
    EXPECT_TRUE(transport->carriesMessagesForKey("other"));
    heard("k", true);
    EXPECT_TRUE(transport->carriesMessagesForKey("k"));
    heard("k", false);
    transport->broadcastKey("k", false);
    transport->broadcastKey("k", true);
    EXPECT_TRUE(transport->carriesMessagesForKey("k")) << "listening anew forgets who did not hear";
    roundTrip();
    EXPECT_EQ((std::vector<VLDictionary>{{{"op", "listen"}, {"key", "k"}, {"on", true}},
                                         {{"op", "listen"}, {"key", "k"}, {"on", false}},
                                         {{"op", "listen"}, {"key", "k"}, {"on", true}}}),
              messagesOf("listen"));
    EXPECT_EQ((std::vector<VLDictionary>{{{"op", "broadcast"}, {"key", "k"}, {"message", VLData{1, 2}}}}),
              messagesOf("broadcast"));
}
