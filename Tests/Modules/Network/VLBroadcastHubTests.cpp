#include "Modules/Network/VLBroadcastHub.h"

#include "Core/Launcher/Services/VLBroadcastTransport.h"
#include "Modules/Network/VLBroadcastMessage.h"
#include "Modules/Network/VLBroadcastReceiver.h"
#include "Modules/Network/VLBroadcastRemoteSender.h"
#include "Platform/Foundation/VLPropertyListSerialization.h"
#include "Tests/Support/VLTestBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace std::string_literals;

const std::string kSpaceKey = "namespace\nteam\nscores";
const std::string kPackageKey = "package\napp.velto.team.clock\nscores";

// Records what it hears and takes the buffers at once, as a binding does on its own thread.
class FakeReceiver final : public VLBroadcastReceiver {
public:
    struct Heard {
        std::shared_ptr<VLBroadcastMessage> message;
        const VLBroadcastReceiver* sender;
        double sourceId;
        double newestId;
        std::vector<VLData> buffers;
    };

    void receiveBroadcast(const std::shared_ptr<VLBroadcastMessage>& message,
                          const VLBroadcastReceiver* sender, double sourceId, double newestId) override {
        heard.push_back({message, sender, sourceId, newestId, message->takeBuffers()});
    }

    std::vector<Heard> heard;
};

class FakeTransport final : public VLBroadcastTransport {
public:
    explicit FakeTransport(bool carries = true) : _carries(carries) {}

    void broadcastKey(const std::string& key, bool listening) override {
        announced.emplace_back(key, listening);
    }
    void sendBroadcastMessage(const VLData& data, const std::string& key) override {
        sent.emplace_back(data, key);
    }
    bool carriesMessagesForKey(const std::string&) override { return _carries; }

    std::vector<std::pair<std::string, bool>> announced;
    std::vector<std::pair<VLData, std::string>> sent;

private:
    const bool _carries;
};

using Announcements = std::vector<std::pair<std::string, bool>>;

std::shared_ptr<VLBroadcastMessage> scoresMessage(const std::string& scope,
                                                  std::vector<VLData> buffers = {}) {
    return std::make_shared<VLBroadcastMessage>(scope, "scores", u"{\"t\":\"c\"}", std::move(buffers));
}

VLData transportData(const VLValue& propertyList) {
    return VLPropertyListSerialization::dataWithPropertyList(propertyList).value();
}

} // namespace

TEST(VLBroadcastHub, AnnouncesTheFirstAndTheLastReceiverOfANamespaceKeyOnly) {
    VLBroadcastHub hub;
    auto transport = std::make_shared<FakeTransport>();
    hub.setTransport(transport);
    auto first = std::make_shared<FakeReceiver>();
    auto second = std::make_shared<FakeReceiver>();

    hub.addReceiver(first, kSpaceKey);
    hub.addReceiver(second, kSpaceKey);
    hub.addReceiver(first, kPackageKey);
    hub.addReceiver(first, kSpaceKey); // again: still one entry
    EXPECT_EQ(transport->announced, (Announcements{{kSpaceKey, true}}));

    hub.removeReceiver(first.get(), kSpaceKey);
    hub.removeReceiver(first.get(), kPackageKey);
    EXPECT_EQ(transport->announced.size(), 1u);
    hub.removeReceiver(second.get());
    EXPECT_EQ(transport->announced, (Announcements{{kSpaceKey, true}, {kSpaceKey, false}}));

    // A receiver that went away without leaving is pruned by the next post, which announces the key.
    auto gone = std::make_shared<FakeReceiver>();
    hub.addReceiver(gone, kSpaceKey);
    gone.reset();
    hub.postMessage(scoresMessage("namespace"), kSpaceKey, first.get(), true, 1, 1);
    EXPECT_EQ(transport->announced,
              (Announcements{{kSpaceKey, true}, {kSpaceKey, false}, {kSpaceKey, true}, {kSpaceKey, false}}));
}

TEST(VLBroadcastHub, ATransportSetLateHearsOfTheNamespaceKeysThatHaveReceivers) {
    VLBroadcastHub hub;
    auto receiver = std::make_shared<FakeReceiver>();
    const std::string otherKey = "namespace\nteam\nlaps";
    hub.addReceiver(receiver, kSpaceKey);
    hub.addReceiver(receiver, otherKey);
    hub.addReceiver(receiver, kPackageKey);
    hub.addReceiver(receiver, "namespace\nteam\nleft");
    hub.removeReceiver(receiver.get(), "namespace\nteam\nleft");

    auto transport = std::make_shared<FakeTransport>();
    hub.setTransport(transport);
    EXPECT_EQ(transport->announced, (Announcements{{otherKey, true}, {kSpaceKey, true}}));
    EXPECT_EQ(hub.transport(), transport);

    hub.setTransport(nullptr);
    hub.removeReceiver(receiver.get());
    EXPECT_EQ(transport->announced.size(), 2u);
}

TEST(VLBroadcastHub, APostReachesTheOtherReceiversAndTheTransportWhenItCarriesTheKey) {
    struct Case {
        std::string key;
        bool carries;
        bool sent;
    };
    for (const Case& c :
         {Case{kSpaceKey, true, true}, Case{kSpaceKey, false, false}, Case{kPackageKey, true, false}}) {
        SCOPED_TRACE(c.key + (c.carries ? " carried" : " not carried"));
        VLBroadcastHub hub;
        auto transport = std::make_shared<FakeTransport>(c.carries);
        hub.setTransport(transport);
        auto poster = std::make_shared<FakeReceiver>();
        auto other = std::make_shared<FakeReceiver>();
        auto stranger = std::make_shared<FakeReceiver>();
        hub.addReceiver(poster, c.key);
        hub.addReceiver(other, c.key);
        hub.addReceiver(stranger, c.key + "s");

        const std::string scope = c.key.substr(0, c.key.find('\n'));
        hub.postMessage(scoresMessage(scope, {VLTestBytes("abc")}), c.key, poster.get(), false, 7, 9);
        EXPECT_TRUE(poster->heard.empty());
        EXPECT_TRUE(stranger->heard.empty());
        ASSERT_EQ(other->heard.size(), 1u);
        EXPECT_EQ(other->heard[0].sender, poster.get());
        EXPECT_EQ(other->heard[0].sourceId, 7);
        EXPECT_EQ(other->heard[0].newestId, 9);
        EXPECT_EQ(other->heard[0].buffers, std::vector<VLData>{VLTestBytes("abc")});

        ASSERT_EQ(transport->sent.size(), c.sent ? 1u : 0u);
        if (c.sent) {
            // Written before the one receiver took the message's own buffers.
            EXPECT_EQ(transport->sent[0].second, c.key);
            auto carried = VLBroadcastMessage::messageWithTransportData(transport->sent[0].first);
            ASSERT_TRUE(carried);
            EXPECT_EQ(carried->takeBuffers(), std::vector<VLData>{VLTestBytes("abc")});
        }

        // With to sender, the poster hears itself too.
        hub.postMessage(scoresMessage(scope), c.key, poster.get(), true, 7, 9);
        EXPECT_EQ(poster->heard.size(), 1u);
        EXPECT_EQ(other->heard.size(), 2u);
    }
}

TEST(VLBroadcastHub, TransportedMessagesReachTheKeyFromTheRemoteSenderAndBadOnesAreDropped) {
    VLBroadcastHub hub;
    auto receiver = std::make_shared<FakeReceiver>();
    hub.addReceiver(receiver, kSpaceKey);
    hub.addReceiver(receiver, kPackageKey);
    const VLDictionary good{
        {"scope", "namespace"}, {"name", "scores"}, {"tree", "{}"}, {"buffers", VLArray{}}};
    const VLData goodData = transportData(good);

    struct Case {
        const char* what;
        VLData data;
        std::string key;
    };
    auto with = [&](const char* key, VLValue value) {
        VLDictionary changed = good;
        changed.set(key, std::move(value));
        return transportData(changed);
    };
    const std::vector<Case> dropped{
        {"not a property list", VLTestBytes("bplist00 but no more"), kSpaceKey},
        {"cut short", VLData(goodData.begin(), goodData.end() - 4), kSpaceKey},
        {"a string among the buffers", with("buffers", VLArray{VLData{1}, "2"}), kSpaceKey},
        {"buffers that are data", with("buffers", VLData{1}), kSpaceKey},
        {"a tree that is a number", with("tree", 3), kSpaceKey},
        {"no name",
         transportData(VLDictionary{{"scope", "namespace"}, {"tree", "{}"}, {"buffers", VLArray{}}}),
         kSpaceKey},
        {"a root that is an array", transportData(VLArray{"namespace"}), kSpaceKey},
        {"another name", with("name", "laps"), kSpaceKey},
        {"a name that only ends the key's", with("name", "ores"), kSpaceKey},
        {"scope package", with("scope", "package"), kSpaceKey},
        {"a package key", goodData, kPackageKey},
    };
    for (const Case& c : dropped) {
        SCOPED_TRACE(c.what);
        hub.receiveTransportedMessage(c.data, c.key);
        EXPECT_TRUE(receiver->heard.empty());
    }

    hub.receiveTransportedMessage(goodData, kSpaceKey);
    ASSERT_EQ(receiver->heard.size(), 1u);
    EXPECT_EQ(receiver->heard[0].sender, VLBroadcastRemoteSender::shared().get());
    EXPECT_EQ(receiver->heard[0].sourceId, -1);
    EXPECT_EQ(receiver->heard[0].newestId, -1);
    EXPECT_EQ(receiver->heard[0].message->tree(), u"{}");
}

TEST(VLBroadcastHub, OfThreeReceiversTheLastGetsTheMessagesOwnBuffersAndTheOthersCopies) {
    VLBroadcastHub hub;
    std::vector<std::shared_ptr<FakeReceiver>> receivers;
    for (int i = 0; i < 3; ++i) {
        receivers.push_back(std::make_shared<FakeReceiver>());
        hub.addReceiver(receivers.back(), kPackageKey);
    }
    std::vector<VLData> buffers(2);
    buffers[0] = VLTestBytes("bytes");
    const uint8_t* ownBytes = buffers[0].data();
    hub.postMessage(scoresMessage("package", std::move(buffers)), kPackageKey, nullptr, true, -1, -1);

    std::vector<bool> gotOwn;
    for (const auto& receiver : receivers) {
        ASSERT_EQ(receiver->heard.size(), 1u);
        EXPECT_EQ(receiver->heard[0].buffers, (std::vector<VLData>{VLTestBytes("bytes"), VLData()}));
        gotOwn.push_back(receiver->heard[0].buffers[0].data() == ownBytes);
    }
    EXPECT_EQ(gotOwn, (std::vector<bool>{false, false, true}));
}

TEST(VLBroadcastMessage, TransportDataIsAPropertyListOfExactlyTheFourKeys) {
    // A tree beyond ASCII, with a NUL, and an empty buffer.
    const std::u16string tree = u"{\"s\":\"\u00e9\u2603\0x\"}"s;
    VLBroadcastMessage original("namespace", "scores", tree, {VLTestBytes("ab"), VLData()});
    EXPECT_EQ(original.size(), 2 * tree.size() + 2);

    const VLData data = original.transportData();
    const VLValue read = VLPropertyListSerialization::propertyListWithData(data);
    ASSERT_TRUE(read.isDictionary());
    std::vector<std::string> keys;
    for (const auto& [key, value] : read.dictionaryValue())
        keys.push_back(key);
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, (std::vector<std::string>{"buffers", "name", "scope", "tree"}));
    EXPECT_EQ(read["scope"], VLValue("namespace"));
    EXPECT_EQ(read["name"], VLValue("scores"));
    EXPECT_EQ(read["buffers"], VLValue(VLArray{VLTestBytes("ab"), VLData()}));

    const auto back = VLBroadcastMessage::messageWithTransportData(data);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->tree(), tree);
    EXPECT_EQ(back->size(), original.size());
    EXPECT_EQ(back->takeBuffers(), (std::vector<VLData>{VLTestBytes("ab"), VLData()}));
}
