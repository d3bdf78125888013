#include "Core/Engine/KeyValue/VLKeyValueMediator.h"
#include "Core/Engine/KeyValue/VLKeyValueObserving.h"

#include <gtest/gtest.h>

#include <map>
#include <thread>

namespace {

// Observed properties of any name, held in a dictionary.
template <typename Base>
class WithValues : public Base {
public:
    void set(const std::string& key, const VLValue& value) {
        VLValue old = _values.get(key);
        _values.set(key, value);
        this->didChangeValueForKey(key, old, value);
    }

protected:
    VLDictionary _values;
};

class Player : public WithValues<VLKeyValueObserving> {};

class Owner : public VLKeyValueObserving {};

// Every change a block saw, as "old>new".
struct Changes {
    std::vector<std::string> seen;
    VLKeyValueChangeBlock block(const std::string& label = "") {
        return [this, label](const VLValue& oldValue, const VLValue& newValue) {
            seen.push_back(label + oldValue.description() + ">" + newValue.description());
        };
    }
};

TEST(VLKeyValueObserving, CallsBlocksInOrderForRealChangesOnly) {
    Player player;
    Owner owner;
    Changes changes;
    player.vl_valuesForKeyPath("status", &owner)
        ->subscribe(changes.block("a:"))
        .subscribe(changes.block("b:"));

    player.set("status", "ready");
    player.set("status", "ready");
    player.set("other", 1);
    player.set("status", VLValue::null());
    player.set("status", VLValue());
    player.set("status", 1);
    player.set("status", 1.0);
    EXPECT_EQ((std::vector<std::string>{"a:(null)>ready", "b:(null)>ready", "a:ready>(null)",
                                        "b:ready>(null)", "a:(null)>1", "b:(null)>1"}),
              changes.seen);
    EXPECT_EQ(nullptr, player.vl_valuesForKeyPath("status", nullptr));
}

TEST(VLKeyValueObserving, ABlockSubscribedDuringAChangeSeesTheNextOne) {
    Player player;
    Owner owner;
    Changes changes;
    auto target = player.vl_valuesForKeyPath("rate", &owner);
    target->subscribe([&](const VLValue&, const VLValue&) {
        if (changes.seen.empty()) {
            target->subscribe(changes.block());
        }
    });
    player.set("rate", 1);
    EXPECT_TRUE(changes.seen.empty());
    player.set("rate", 2);
    EXPECT_EQ(std::vector<std::string>{"1>2"}, changes.seen);
}

TEST(VLKeyValueObserving, RemovingAnObserverEndsOnlyItsObservationsOfThatObject) {
    Player first, second;
    Owner owner, otherOwner;
    Changes changes;
    first.vl_valuesForKeyPath("status", &owner)->subscribe(changes.block("owner-first:"));
    first.vl_valuesForKeyPath("duration", &owner)->subscribe(changes.block("owner-first:"));
    second.vl_valuesForKeyPath("status", &owner)->subscribe(changes.block("owner-second:"));
    first.vl_valuesForKeyPath("status", &otherOwner)->subscribe(changes.block("other-first:"));

    first.vl_removeValuesObserver(&owner);
    first.vl_removeValuesObserver(nullptr);
    first.set("status", 1);
    first.set("duration", 2);
    second.set("status", 3);
    EXPECT_EQ((std::vector<std::string>{"other-first:(null)>1", "owner-second:(null)>3"}), changes.seen);
}

TEST(VLKeyValueObserving, EitherSideEndingDropsTheBlocksOnce) {
    auto sentinel = std::make_shared<int>(0);
    auto holdsSentinel = [sentinel](const VLValue&, const VLValue&) { (*sentinel)++; };

    // The owner goes first: later changes call nothing.
    Player player;
    {
        Owner owner;
        player.vl_valuesForKeyPath("status", &owner)->subscribe(holdsSentinel);
        player.set("status", 1);
    }
    player.set("status", 2);
    EXPECT_EQ(1, *sentinel);

    // The observed object goes first: the owner outlives it and can still remove and end.
    Owner owner;
    {
        Player shortLived;
        shortLived.vl_valuesForKeyPath("status", &owner)->subscribe(holdsSentinel);
        EXPECT_EQ(3, sentinel.use_count());
    }
    EXPECT_EQ(2, sentinel.use_count());
    Player other;
    other.vl_removeValuesObserver(&owner);
}

TEST(VLKeyValueObserving, BothSidesEndingAtOnceEndTheObservationOnce) {
    auto sentinel = std::make_shared<int>(0);
    for (int round = 0; round < 200; round++) {
        auto player = std::make_unique<Player>();
        auto owner = std::make_unique<Owner>();
        player->vl_valuesForKeyPath("status", owner.get())
            ->subscribe([sentinel](const VLValue&, const VLValue&) {});
        std::thread ownerEnds([&] { owner.reset(); });
        player.reset();
        ownerEnds.join();
        ASSERT_EQ(1, sentinel.use_count());
    }
}

// A mediator with a title, and a subclass adding an artist.
class Song : public WithValues<VLKeyValueMediator> {
public:
    const VLObjCClass& objcClass() const override { return songClass(); }
    static const VLObjCClass& songClass() {
        static const VLObjCClass instance("Song", VLObjCClass::root(), {{"title", "T@\"NSString\",C,N"}});
        return instance;
    }
    VLValue valueForKey(const std::string& key) const override { return _values.get(key); }
};

class Single : public Song {
public:
    const VLObjCClass& objcClass() const override {
        static const VLObjCClass instance("Single", songClass(), {{"artist", "T@\"NSString\",C,N"}});
        return instance;
    }
};

class Listener : public VLKeyValueMediatorTarget {
public:
    std::vector<std::string> heard;
    std::set<std::string> answers;
    Handler mediatorHandler(const std::string& name) override {
        if (!answers.contains(name)) {
            return {};
        }
        return [this, name](const VLValue& value) { heard.push_back(name + " " + value.description()); };
    }
};

TEST(VLKeyValueMediator, ReportsChangesOfDeclaredPropertiesToHandlersTheTargetHas) {
    auto listener = std::make_shared<Listener>();
    listener->answers = {"$mediator$titleChanged:", "$mediator$artistChanged:"};
    Single single;
    single.set("title", "Before");
    single.setMediatorTarget(listener);
    single.set("title", "Hello");
    single.set("title", "Hello");
    single.set("artist", "Ann");
    single.set("year", 1999);
    single.triggerChangeForSelector("setTitle:");
    single.triggerChangeForSelector("artist");
    single.triggerChangeForKeyPath("title", "Direct");
    EXPECT_EQ((std::vector<std::string>{"$mediator$titleChanged: Hello", "$mediator$artistChanged: Ann",
                                        "$mediator$titleChanged: Hello", "$mediator$artistChanged: Ann",
                                        "$mediator$titleChanged: Direct"}),
              listener->heard);

    // A second target replaces the first without observing twice; a target without the handler, or a
    // target that is gone, hears nothing.
    auto other = std::make_shared<Listener>();
    other->answers = {"$mediator$titleChanged:"};
    single.setMediatorTarget(other);
    single.set("title", "Again");
    single.set("artist", "Bob");
    EXPECT_EQ(std::vector<std::string>{"$mediator$titleChanged: Again"}, other->heard);
    EXPECT_EQ(5u, listener->heard.size());
    other.reset();
    single.set("title", "Gone");
}

} // namespace
