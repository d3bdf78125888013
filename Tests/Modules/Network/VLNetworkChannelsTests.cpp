#include "Core/Engine/Log/VLLog.h"
#include "Core/Launcher/Services/VLBroadcastTransport.h"
#include "Core/Launcher/VLManager.h"
#include "Platform/Foundation/VLClock.h"
#include "Platform/Foundation/VLManualClock.h"
#include "Tests/Modules/Network/VLNetworkTestWidget.h"
#include "Tests/Support/VLLogCapture.h"
#include "Tests/Support/VLTestSignal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

// The listener prints "heard scope name tree prototype buffers sourceId newestId", each buffer as its
// bytes joined by dots; openChannel and postOn print what the native side answered.
constexpr const char* kChannelScript = R"(
globalThis.hear = (scope, name, tree, buffers, sourceId, newestId) => console.log('heard', scope, name,
    tree.length > 32 ? tree.length : tree, Object.getPrototypeOf(buffers) === null ? 'bare' : 'prototype',
    Array.prototype.map.call(buffers, b => b === null ? 'null' : new Uint8Array(b).join('.')).join(',') || '-',
    sourceId, newestId);
globalThis.openChannel = (name, scope = 'package') => JSON.stringify(native.channelOpen(scope, name, hear));
globalThis.postOn = (name, tree, buffers = [], sourceId = 'none', ...rest) =>
    JSON.stringify(native.channelPost('package', name, tree, buffers, sourceId, ...rest));
)";

VLTestWidget::Configure messaging(std::optional<std::string> package,
                                  std::optional<std::string> space = std::nullopt) {
    return [package, space](VLLocalPathLaunchPayload& payload) {
        payload.setMessagingPackage(package);
        payload.setMessagingNamespace(space);
    };
}

// A widget whose script holds the binding and the helpers above.
std::unique_ptr<VLNetworkTestWidget> channelWidget(const VLTestWidget::Configure& configure) {
    auto widget = std::make_unique<VLNetworkTestWidget>(configure);
    widget->run(kChannelScript);
    return widget;
}

std::string refusal(const std::string& name, const std::string& message) {
    return "{\"error\":\"" + name + "\",\"message\":\"" + message + "\"}";
}

const std::string kTooBig =
    refusal("DataCloneError", "The message is too big: a message on a BroadcastChannel "
                              "takes at most 1 MB");
const std::string kTooMany = refusal("DataCloneError", "The message has more ArrayBuffers than it refers to");
const std::string kNotABuffer =
    refusal("DataCloneError", "The message has something other than an ArrayBuffer among its ArrayBuffers");
const std::string kQuota =
    refusal("QuotaExceededError", "Too many messages: content sends at most 240 messages "
                                  "and 16 MB a second on its BroadcastChannels");

// The engine's clock replaced by a manual one, from well after zero, for as long as it lives.
class ManualClock {
public:
    ManualClock() { VLClock::setShared(_clock); }
    ~ManualClock() { VLClock::setShared(nullptr); }
    void advance(double seconds) { _clock->advance(seconds); }

private:
    std::shared_ptr<VLManualClock> _clock = std::make_shared<VLManualClock>(uint64_t(1000e9));
};

class RecordingTransport final : public VLBroadcastTransport {
public:
    void broadcastKey(const std::string& key, bool listening) override {
        std::lock_guard lock(_lock);
        _announced.emplace_back(key, listening);
    }
    void sendBroadcastMessage(const VLData&, const std::string&) override {}

    std::vector<std::pair<std::string, bool>> announced() {
        std::lock_guard lock(_lock);
        return _announced;
    }

private:
    std::mutex _lock; // guards _announced: the runtimes' threads announce
    std::vector<std::pair<std::string, bool>> _announced;
};

} // namespace

TEST(VLNetworkChannels, RuntimesSharingAPackageHearEachOtherInALaterTurnAndOnlyThePosterSeesItsIds) {
    auto a = channelWidget(messaging("app.velto.test.shared"));
    auto b = channelWidget(messaging("app.velto.test.shared"));
    auto stranger = channelWidget(messaging("app.velto.test.other"));
    for (auto* widget : {a.get(), b.get(), stranger.get()})
        EXPECT_EQ(widget->text("openChannel('scores')"), "null");

    a->run(
        "console.log('posted', postOn('scores', '0123456789abcdef', [new Uint8Array([1, 2, 3]).subarray(1), "
        "new ArrayBuffer(0)], 3, 4))");
    b->widget().settle();
    stranger->widget().settle();
    EXPECT_EQ(a->widget().console(),
              (Lines{"log: posted null", "log: heard package scores 0123456789abcdef bare 2.3,null 3 4"}));
    EXPECT_EQ(b->calls("heard"), Lines{"package scores 0123456789abcdef bare 2.3,null -1 -1"});
    EXPECT_TRUE(stranger->calls("heard").empty());

    // Without "to sender" the poster doesn't hear itself; ids default to -1.
    b->run("postOn('scores', 'x', 'not an array', 5, 6, false); postOn('scores', 'y')");
    a->widget().settle();
    EXPECT_EQ(b->calls("heard"), (Lines{"package scores 0123456789abcdef bare 2.3,null -1 -1",
                                        "package scores y bare - -1 -1"}));
    EXPECT_EQ(a->calls("heard"), (Lines{"package scores 0123456789abcdef bare 2.3,null 3 4",
                                        "package scores x bare - -1 -1", "package scores y bare - -1 -1"}));
}

TEST(VLNetworkChannels, WithoutAPackageARuntimeHearsOnlyItsOwnPostsOnItsOpenChannels) {
    auto alone = channelWidget(messaging(std::nullopt));
    auto other = channelWidget(messaging("app.velto.test.alone"));
    alone->run("openChannel('x')");
    other->run("openChannel('x'); postOn('x', 'from other')");
    alone->widget().settle();
    EXPECT_TRUE(alone->calls("heard").empty());

    // Posts with too few arguments, or a tree that is no string, do nothing.
    alone->run(
        "postOn('x', 'mine', [], 1, 1); postOn('x', 'not to me', [], 1, 1, false); postOn('y', 'closed'); "
        "native.channelPost('package', 'x', 'four', []); native.channelPost('package', 'x', 5, [], 1)");
    other->widget().settle();
    EXPECT_EQ(alone->calls("heard"), Lines{"package x mine bare - 1 1"});
    EXPECT_EQ(other->calls("heard"), Lines{"package x from other bare - -1 -1"});

    // A message still queued when its channel closes is dropped.
    alone->run("postOn('x', 'late'); native.channelClose('package', 'x')");
    EXPECT_EQ(alone->calls("heard").size(), 1u);
}

TEST(VLNetworkChannels, PostsAreRefusedByKeySizeBufferCountAndBufferKindInThatOrder) {
    auto widget = channelWidget(messaging("app.velto.test.sizes"));
    const std::string space =
        "BroadcastChannels of scope \\\"namespace\\\" are only for content installed from the "
        "store, or run by velto dev or the Develop menu, with an id of the form "
        "app.velto.<namespace>.<name>";
    struct Case {
        const char* post;
        std::string answer;
    };
    const std::vector<Case> cases{
        {"JSON.stringify(native.channelPost('other', 'x', 'x'.repeat(600000), [], 1))",
         refusal("SecurityError", "Unknown scope \\\"other\\\"")},
        {"JSON.stringify(native.channelPost('namespace', 'x', 'tree', [], 1))",
         refusal("SecurityError", space)},
        {"postOn('x', 'x'.repeat(524288))", "null"},
        {"postOn('x', 'x'.repeat(524289), [{}])", kTooBig},
        {"postOn('x', 'x'.repeat(15), [new ArrayBuffer(1), new ArrayBuffer(1)])", kTooMany},
        {"postOn('x', 'x'.repeat(16), [new ArrayBuffer(1), new Uint8Array(1)])", "null"},
        {"postOn('x', 'x'.repeat(16), [new ArrayBuffer(1), 'bytes'])", kNotABuffer},
        {"postOn('x', 'x'.repeat(8), [new DataView(new ArrayBuffer(1))])", kNotABuffer},
        {"postOn('x', 'x'.repeat(8), [new ArrayBuffer(1048576 - 16)])", "null"},
        {"postOn('x', 'x'.repeat(24), [new ArrayBuffer(1048576 - 48), new ArrayBuffer(1), {}])", kTooBig},
    };
    for (const Case& c : cases)
        EXPECT_EQ(widget->text(c.post), c.answer) << c.post;

    EXPECT_EQ(widget->text("JSON.stringify(native.channelOpen('any', 'x', hear))"),
              refusal("SecurityError", "Unknown scope \\\"any\\\""));
    EXPECT_EQ(widget->text("JSON.stringify(native.channelOpen('namespace', 'x', hear))"),
              refusal("SecurityError", space));
    EXPECT_EQ(
        widget->text("JSON.stringify([native.channelOpen('package', 'x'), native.channelClose('any', 'x')])"),
        "[null,null]");
}

TEST(VLNetworkChannels, ARuntimePostsAtMost240MessagesAnd16MiBASecond) {
    ManualClock clock;
    auto widget = channelWidget(messaging("app.velto.test.rate"));
    widget->run("globalThis.count = (n, tree) => { let passed = 0; for (let i = 0; i < n; ++i) "
                "passed += postOn('r', tree, [], 1) === 'null'; return passed; }");
    EXPECT_EQ(widget->number("count(240, 'x')"), 240);
    EXPECT_EQ(widget->text("postOn('r', 'x', [], 1)"), kQuota);

    clock.advance(0.25);
    EXPECT_EQ(widget->number("count(100, 'x')"), 60);

    // A full second refills both buckets to their tops, no further.
    clock.advance(5);
    const std::string megabyte = "'x'.repeat(524288)";
    EXPECT_EQ(widget->number("count(17, " + megabyte + ")"), 16);
    clock.advance(1.0 / 16);
    EXPECT_EQ(widget->number("count(2, " + megabyte + ")"), 1);
}

TEST(VLNetworkChannels, TerminationLeavesTheHubAndAnnouncesTheNamespaceKey) {
    auto transport = std::make_shared<RecordingTransport>();
    VLManager::setBroadcastTransport(transport);
    auto widget = channelWidget(messaging("app.velto.test.team.clock", "team"));
    EXPECT_EQ(widget->text("openChannel('laps', 'namespace') + openChannel('laps', 'package')"), "nullnull");
    using Announcements = std::vector<std::pair<std::string, bool>>;
    EXPECT_EQ(transport->announced(), (Announcements{{"namespace\nteam\nlaps", true}}));

    widget.reset();
    EXPECT_EQ(transport->announced(),
              (Announcements{{"namespace\nteam\nlaps", true}, {"namespace\nteam\nlaps", false}}));
    VLManager::setBroadcastTransport(nullptr);
}

TEST(VLNetworkChannels, AReceiverThatFallsBehindDropsPastItsBacklogAndLogsOncePerEpisode) {
    ManualClock clock;
    VLLogCapture capture(VLLogFlagDefault);
    auto poster = channelWidget(messaging("app.velto.test.slow"));
    auto slow = channelWidget(messaging("app.velto.test.slow"));
    slow->run("openChannel('s')");
    poster->run("globalThis.flood = n => { for (let i = 0; i < n; ++i) postOn('s', 'x', [], 1); }");
    const std::string dropping =
        "Dropping BroadcastChannel messages: the content's thread doesn't keep up with them";
    auto logged = [&] {
        VLLogFlush();
        const Lines lines = capture.lines();
        return std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.find(dropping) != std::string::npos;
        });
    };

    for (int episode = 1; episode <= 2; ++episode) {
        // The slow runtime's thread waits while 1030 messages come, 240 a second.
        VLTestSignal release;
        slow->widget().performLater([&] { EXPECT_TRUE(release.wait()); });
        for (int sent = 0; sent < 1030; sent += 206) {
            poster->run("flood(206)");
            clock.advance(1);
        }
        release.raise();
        slow->widget().settle();
        EXPECT_EQ(slow->calls("heard").size(), 1024u * episode);
        EXPECT_EQ(logged(), episode);
    }
}

TEST(VLNetworkChannels, BroadcastChannelsHearOtherRuntimesAndAnUnreadableTreeFiresMessageError) {
    auto raw = channelWidget(messaging("app.velto.test.script"));
    VLNetworkTestWidget script(messaging("app.velto.test.script"), {}, VLNetworkTestWidget::Scripts::prelude);
    script.run(
        "const first = new BroadcastChannel('mixed'), second = new BroadcastChannel('mixed');"
        "for (const [tag, channel] of [['first', first], ['second', second]]) {"
        "  channel.onmessage = e => console.log(tag, JSON.stringify(e.data), e instanceof MessageEvent);"
        "  channel.onmessageerror = e => console.log(tag, 'messageerror', e.data); }");

    // Messages of other runtimes reach every channel of the name, whatever ids they were posted with.
    raw->run("postOn('mixed', '[\"a\",1,2]', [], 99, 99); postOn('mixed', 'not a tree', [], 1, 1)");
    script.widget().settle();
    for (const char* channel : {"first", "second"})
        EXPECT_EQ(script.calls(channel), (Lines{"[1,2] true", "messageerror null"})) << channel;

    raw->run("openChannel('mixed')");
    script.run("first.postMessage({ n: 1 })");
    raw->widget().settle();
    EXPECT_EQ(raw->calls("heard"), Lines{"package mixed [\"O\",\"n\",1] bare - -1 -1"});
    EXPECT_EQ(script.calls("second").size(), 3u);
}
