#include "Platform/Foundation/VLNotificationCenter.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

struct Recorder {
    std::vector<std::string> calls;
    VLNotificationCenter::Block block(std::string observer) {
        return [this, observer](const VLNotification& n) { calls.push_back(observer + ":" + n.name()); };
    }
};

} // namespace

TEST(VLNotificationCenter, DeliversByNameAndSenderIdentity) {
    VLNotificationCenter center;
    int senderA = 0, senderB = 0;
    Recorder recorder;
    auto byName = center.addObserver("Changed", nullptr, recorder.block("byName"));
    auto byNameAndA = center.addObserver("Changed", &senderA, recorder.block("byNameAndA"));
    auto anyNameFromB = center.addObserver("", &senderB, recorder.block("anyNameFromB"));
    auto everything = center.addObserver("", nullptr, recorder.block("everything"));

    struct Case {
        std::string name;
        const void* sender;
        std::vector<std::string> expected;
    } cases[] = {
        {"Changed", &senderA, {"byName:Changed", "byNameAndA:Changed", "everything:Changed"}},
        {"Changed", &senderB, {"byName:Changed", "anyNameFromB:Changed", "everything:Changed"}},
        {"Changed", nullptr, {"byName:Changed", "everything:Changed"}},
        {"Other", &senderA, {"everything:Other"}},
        {"Other", &senderB, {"anyNameFromB:Other", "everything:Other"}},
    };
    for (const auto& c : cases) {
        recorder.calls.clear();
        center.post(c.name, c.sender);
        EXPECT_EQ(c.expected, recorder.calls) << c.name;
    }
}

TEST(VLNotificationCenter, RemovalDuringAPostStopsLaterCallsWithoutDeadlock) {
    VLNotificationCenter center;
    Recorder recorder;
    std::shared_ptr<VLNotificationCenter::Observer> first, second, third, added;
    first = center.addObserver("N", nullptr, [&](const VLNotification& n) {
        recorder.calls.push_back("first");
        center.removeObserver(first); // removes itself while running
        second.reset();               // destroying a token removes it too
        added = center.addObserver("N", nullptr, recorder.block("added"));
        if (n.userInfoValue<bool>("again") == nullptr)
            center.post("N", nullptr, {{"again", true}}); // posting from a block does not deadlock
    });
    second = center.addObserver("N", nullptr, recorder.block("second"));
    third = center.addObserver("N", nullptr, recorder.block("third"));

    center.post("N");
    // The nested post already sees the new observer; the outer one, which began before, does not.
    EXPECT_EQ((std::vector<std::string>{"first", "third:N", "added:N", "third:N"}), recorder.calls);

    recorder.calls.clear();
    center.post("N");
    EXPECT_EQ((std::vector<std::string>{"third:N", "added:N"}), recorder.calls);
}

TEST(VLNotificationCenter, UserInfoCarriesTextNumbersAndNativePointersByExactType) {
    VLNotificationCenter center;
    int context = 0;
    const void* seenPointer = nullptr;
    std::string seenText;
    double seenNumber = 0;
    bool wrongTypeIsAbsent = false;
    auto token = center.addObserver("Terminating", nullptr, [&](const VLNotification& n) {
        seenPointer = *n.userInfoValue<const void*>("context");
        seenText = *n.userInfoValue<std::string>("text");
        seenNumber = *n.userInfoValue<double>("number");
        wrongTypeIsAbsent =
            n.userInfoValue<int>("number") == nullptr && n.userInfoValue<int>("absent") == nullptr;
    });
    center.post(
        "Terminating", nullptr,
        {{"context", static_cast<const void*>(&context)}, {"text", std::string("x")}, {"number", 2.5}});
    EXPECT_EQ(&context, seenPointer);
    EXPECT_EQ("x", seenText);
    EXPECT_EQ(2.5, seenNumber);
    EXPECT_TRUE(wrongTypeIsAbsent);
}

TEST(VLNotificationCenter, ObserversComeAndGoWhileOtherThreadsPost) {
    VLNotificationCenter center;
    std::atomic<bool> stop{false};
    std::atomic<int> calls{0};
    std::vector<std::thread> posters;
    for (int i = 0; i < 4; ++i)
        posters.emplace_back([&] {
            while (!stop)
                center.post("Tick");
        });
    for (int i = 0; i < 2000; ++i) {
        auto token = center.addObserver("Tick", nullptr, [&](const VLNotification&) { ++calls; });
        if (i % 2)
            center.removeObserver(token);
    }
    stop = true;
    for (auto& poster : posters)
        poster.join();

    int before = calls;
    center.post("Tick");
    EXPECT_EQ(before, calls.load()); // every token is gone
}

TEST(VLNotificationCenter, TokensMayOutliveTheirCentre) {
    auto center = std::make_unique<VLNotificationCenter>();
    auto held = std::make_shared<int>(0);
    std::weak_ptr<int> calls = held;
    auto token = center->addObserver("N", nullptr, [held](const VLNotification&) { ++*held; });
    held.reset();
    center->post("N");
    EXPECT_EQ(1, *calls.lock());
    center.reset();
    // Unregisters from a centre that is gone: nothing to do, nothing touched, and what the block held
    // goes with the token at the latest.
    center = std::make_unique<VLNotificationCenter>();
    center->removeObserver(token);
    token.reset();
    EXPECT_TRUE(calls.expired());
}
